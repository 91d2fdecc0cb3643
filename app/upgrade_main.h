// The upgrade from start to end: the sequence of the main thread, with the
// TFTP listener thread's part started from it, and the one place where a
// failure becomes its message and the run ends.
#pragma once

#include <cstdint>

#include "app/run_record.h"
#include "app/upgrade_view.h"
#include "common/base.h"
#include "common/outcome.h"

// What a front end may set of the run.
struct UpgradeSettings {
    // How long the listener waits for the device's request before the run
    // ends with Outcome::NoRequest; 0: until the user cancels (the dialogs).
    std::uint32_t requestWaitMs = 0;
    // How long each query of the device waits for a reply before it counts
    // as none (timed out); 0: until the user cancels (the dialogs).
    unsigned replyLimitMs = 0;
};

// Runs the upgrade with the main thread's view and the listener thread's
// view (each shows the dialogs of its own thread); shows the failure
// message, if any, and returns the outcome: Upgraded, or what ended it. What
// the run did and found goes into the record, when given. The program's
// entry then ends the process.
Outcome UpgradeMain(InstanceHandle instance, UpgradeView& view, UpgradeView& listenerView,
                    const UpgradeSettings& settings = UpgradeSettings(), RunRecord* record = nullptr);
