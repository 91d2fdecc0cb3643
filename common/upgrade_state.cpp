// The process-wide upgrade record and the hand-over of the upgrade file name.
#include "common/upgrade_state.h"

#include "common/text.h"

UpgradeState g_upgrade;

const char* CurrentUpgradeFileName() {
    return g_upgrade.upgradeFileNames[g_upgrade.currentUpgradeFileName.load(std::memory_order_acquire)];
}

void PublishUpgradeFileName(const char* name) {
    // Only the main thread writes, at most twice in a run (address entry,
    // second stage), so the buffer not in use is never being read when filled.
    int next = 1 - g_upgrade.currentUpgradeFileName.load(std::memory_order_relaxed);
    CopyText(g_upgrade.upgradeFileNames[next], sizeof g_upgrade.upgradeFileNames[next], name);
    g_upgrade.currentUpgradeFileName.store(next, std::memory_order_release);
}
