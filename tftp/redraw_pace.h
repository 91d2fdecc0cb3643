// The pace at which the upload dialog is redrawn. Its bar and title count
// every ACK, faster than any eye; redrawing each one would cost more than the
// transfer itself where a window update is dear (some 0.5 ms under Wine), so
// the dialog is redrawn at most this often, and always with the final count
// (see the caller). Twenty redraws a second look the same as a thousand.
// (The waiting dialog's bar has its own pace, kWaitingRedrawMs.)
#pragma once

#include <cstdint>

constexpr std::uint32_t kRedrawIntervalMs = 50;

struct RedrawPace {
    bool drawn;            // drawn at least once
    std::uint32_t lastMs;  // the clock at the last redraw
};

// True when a redraw is due at clock time nowMs (the first one always is);
// notes it as done.
bool RedrawDue(RedrawPace* pace, std::uint32_t nowMs);
