// The pace at which the TFTP server's progress dialogs are redrawn. Their
// counts run faster than any eye: the upload bar and title count every ACK,
// the waiting bar every idle poll (up to a thousand a second). Redrawing each
// one would cost more than the transfer itself where a window update is dear
// (some 0.5 ms under Wine), so a dialog is redrawn at most this often, and
// always with the final count (see the callers). Twenty redraws a second
// look the same as a thousand.
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
