// The upgrade sequence of the main thread: start-up, warning, address entry,
// the first query of the device, the stage decision, the confirmation, the
// TFTP listener and the upgrade command; then it idles while the listener
// thread serves the image and ends the process.
#include "app/upgrade_main.h"

#include "app/upgrade_command.h"
#include "app/version_number.h"
#include "common/upgrade_state.h"
#include "http/device_query.h"
#include "image/startup.h"
#include "platform/platform_ui.h"
#include "tftp/tftp_listener.h"
#include "ui/address_entry.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

// The idle loops only sleep; a change of the stage flag is seen within this.
constexpr unsigned kIdleMilliseconds = 10;

// The two-stage program: a device that reports a version at or above the
// transition image's, and not marked "(NT", goes straight to the target.
void DecideStage() {
    char transitionVersion[kVersionTextSize];
    CopyHeaderVersion(transitionVersion, g_upgrade.transitionImage.header);
    if (DeviceSkipsTransitionStage(g_upgrade.pageFields.softwareVersion, transitionVersion)) {
        g_upgrade.stageFlag.store(1);
    }
}

[[noreturn]] void IdleForever() {
    for (;;) SleepMilliseconds(kIdleMilliseconds);
}

}  // namespace

int UpgradeMain(InstanceHandle instance) {
    if (!RegisterProgramWindowClass(instance)) return 0;
    g_upgrade.instance = instance;
    g_upgrade.stageFlag.store(kInitialStageFlag);
    InitializeUpgrade();

    if (RunModalDialog(instance, IDD_WARNING, WarningDialogProc) == 0) return 0;
    int addressDialog = g_upgrade.deviceClass == kDevicePhone ? IDD_ADDRESS_PHONE : IDD_ADDRESS_ADAPTER;
    if (RunModalDialog(instance, addressDialog, AddressDialogProc) == 0) return 0;
    if (g_upgrade.deviceAddress == 0) return 0;

    // Any reply counts as a response; a challenge is answered inside the query.
    if (QueryDevice(g_upgrade.chosenLocalAddress, g_upgrade.deviceAddress, kStatusPagePath) < 1) {
        ShowUpgradeError(kFailNoResponse, nullptr);
        return 0;
    }
    if (g_upgrade.stageFlag.load() == 0) DecideStage();

    int confirmDialog = g_upgrade.stageFlag.load() != 0 ? IDD_CONFIRM : IDD_CONFIRM_TWO_STAGE;
    if (RunModalDialog(instance, confirmDialog, ConfirmDialogProc) == 0) {
        ShowUpgradeError(kFailUserAbort, nullptr);
        return 0;
    }

    // The listener runs before the command goes out: a request that comes
    // while the command's exchange is still under way is served.
    std::uint16_t port = static_cast<std::uint16_t>(StartTftpListener(g_upgrade.chosenLocalAddress) & 0xFFFFu);
    SendUpgradeCommand(port);
    if (g_upgrade.stageFlag.load() != 0) IdleForever();

    // Two stages: the listener serves the transition image, then sets the
    // flag; the target image then gets a command with a fresh name.
    while (g_upgrade.stageFlag.load() == 0) SleepMilliseconds(kIdleMilliseconds);
    MakeUpgradeFileName(1);
    SendUpgradeCommand(port);
    IdleForever();
}
