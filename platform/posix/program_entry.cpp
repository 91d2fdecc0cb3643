// The Linux program's entry point: without arguments the upgrade runs with
// its dialogs in the terminal; --help and --version are answered, anything
// else refused, before anything runs.
#include "app/command_line.h"
#include "app/upgrade_main.h"
#include "platform/platform.h"
#include "ui/dialog_view.h"

int main(int argc, char** argv) {
    int status = HandleCommandLine(argc, argv);
    if (status != kRunTheUpgrade) return status;
    DialogView view(nullptr);
    DialogView listenerView(nullptr);
    UpgradeMain(nullptr, view, listenerView);
    EndProcess(0);
}
