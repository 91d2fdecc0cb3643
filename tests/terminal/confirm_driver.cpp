// qev-confirm-driver: the confirmation dialog, with its real dialog
// procedure, showing the status page's fields as given, so that the tests
// see what the terminal front end shows of what a device sends.
//
//   qev-confirm-driver PRODUCT MAC SOFTWARE HARDWARE SERIAL
//
// Prints "dialog result N" when the dialog ends.
#include <cstdio>

#include "common/text.h"
#include "http/page_fields.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: qev-confirm-driver PRODUCT MAC SOFTWARE HARDWARE SERIAL\n", stderr);
        EndProcess(2);
    }
    RegisterProgramWindowClass(nullptr);
    PageFields fields{};
    CopyText(fields.productName, sizeof fields.productName, argv[1]);
    CopyText(fields.macAddress, sizeof fields.macAddress, argv[2]);
    CopyText(fields.softwareVersion, sizeof fields.softwareVersion, argv[3]);
    CopyText(fields.hardwareVersion, sizeof fields.hardwareVersion, argv[4]);
    CopyText(fields.serialNumber, sizeof fields.serialNumber, argv[5]);
    // The target image alone: no note on a transition image.
    ConfirmDialogData data = {"3.1.24(QE)", nullptr, &fields};
    int result = RunModalDialog(nullptr, IDD_CONFIRM, ConfirmDialogProc, &data);
    std::printf("dialog result %d\n", result);
    std::fflush(stdout);
    EndProcess(0);
}
