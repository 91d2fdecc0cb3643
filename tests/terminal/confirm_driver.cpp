// qev-confirm-driver: the confirmation dialog, with its real dialog
// procedure, showing the status page's fields as given, so that the tests
// see what the terminal front end shows of what a device sends.
//
//   qev-confirm-driver PRODUCT MAC SOFTWARE HARDWARE SERIAL
//
// Prints "dialog result N" when the dialog ends.
#include <cstdio>

#include "common/text.h"
#include "common/upgrade_state.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: qev-confirm-driver PRODUCT MAC SOFTWARE HARDWARE SERIAL\n", stderr);
        EndProcess(2);
    }
    g_upgrade.instance = nullptr;
    RegisterProgramWindowClass(g_upgrade.instance);
    g_upgrade.stageFlag.store(1);  // the target stage: no note on a transition image
    PageFields& fields = g_upgrade.pageFields;
    CopyText(fields.productName, sizeof fields.productName, argv[1]);
    CopyText(fields.macAddress, sizeof fields.macAddress, argv[2]);
    CopyText(fields.softwareVersion, sizeof fields.softwareVersion, argv[3]);
    CopyText(fields.hardwareVersion, sizeof fields.hardwareVersion, argv[4]);
    CopyText(fields.serialNumber, sizeof fields.serialNumber, argv[5]);
    int result = RunModalDialog(g_upgrade.instance, IDD_CONFIRM, ConfirmDialogProc);
    std::printf("dialog result %d\n", result);
    std::fflush(stdout);
    EndProcess(0);
}
