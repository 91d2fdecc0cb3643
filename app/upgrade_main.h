// The upgrade from start to end: the sequence of the main thread, with the
// TFTP listener thread's part started from it, and the one place where a
// failure becomes its message and the run ends.
#pragma once

#include "app/upgrade_view.h"
#include "common/base.h"
#include "common/outcome.h"

// Runs the upgrade with the main thread's view and the listener thread's
// view (each shows the dialogs of its own thread); shows the failure
// message, if any, and returns the outcome: Upgraded, or what ended it. The
// program's entry then ends the process.
Outcome UpgradeMain(InstanceHandle instance, UpgradeView& view, UpgradeView& listenerView);
