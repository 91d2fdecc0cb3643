// The life of the main thread: from the entry point to the end of the upgrade.
#pragma once

#include "platform/platform.h"

// Runs the upgrade; returns the process exit code (always 0).
int UpgradeMain(InstanceHandle instance);
