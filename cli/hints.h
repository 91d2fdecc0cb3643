// Hints that name the fix: what to check after a run that failed in a way
// the failure message alone does not explain (no response, a device that
// never asked for the image, a transfer that stopped, a device not heard
// from after its reboot, a password), formed from the run's record. The
// Linux program writes them on standard error once the terminal is its own
// again, or as events with --json.
#pragma once

#include "app/run_record.h"
#include "common/outcome.h"

constexpr int kHintSize = 512;
constexpr int kMaxHints = 2;

struct Hint {
    const char* kind;  // "no_response", "never_asked", "transfer_stopped", "not_verified",
                       // "version_mismatch", "password_missing", "password_refused"
    char text[kHintSize];
};

// The hints for a run that ended with this outcome; returns how many (0 to kMaxHints).
int FormHints(const RunRecord& record, Outcome outcome, Hint* hints);
