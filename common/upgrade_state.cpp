// The process-wide upgrade record and the hand-over of the upgrade file name.
#include "common/upgrade_state.h"

#include "common/text.h"

UpgradeState g_upgrade;

const char* CurrentUpgradeFileName() {
    return g_upgrade.upgradeFileNames[g_upgrade.currentUpgradeFileName.load(std::memory_order_acquire)];
}

void PublishUpgradeFileName(const char* name) {
    // Only the main thread writes, at most twice in a run: at the address
    // entry, before the listener exists, and for the second stage, while the
    // listener may read the first name. So the buffer filled is never being read.
    int next = 1 - g_upgrade.currentUpgradeFileName.load(std::memory_order_relaxed);
    CopyText(g_upgrade.upgradeFileNames[next], sizeof g_upgrade.upgradeFileNames[next], name);
    g_upgrade.currentUpgradeFileName.store(next, std::memory_order_release);
}
