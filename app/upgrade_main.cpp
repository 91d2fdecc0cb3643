// The upgrade sequence of the main thread.
#include "app/upgrade_main.h"

#include "common/upgrade_state.h"
#include "image/startup.h"
#include "platform/platform_ui.h"

int UpgradeMain(InstanceHandle instance) {
    if (!RegisterProgramWindowClass(instance)) return 0;
    g_upgrade.instance = instance;
    g_upgrade.stageFlag.store(kInitialStageFlag);
    InitializeUpgrade();
    return 0;
}
