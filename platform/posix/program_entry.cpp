// The POSIX program's entry point: without arguments the upgrade runs and
// the process ends with exit code 0 on every path; --help and --version are
// answered, anything else refused, before anything runs.
#include "app/upgrade_main.h"
#include "platform/platform.h"
#include "platform/posix/command_line.h"

int main(int argc, char** argv) {
    int status = HandleCommandLine(argc, argv);
    if (status != kRunTheUpgrade) return status;
    int code = UpgradeMain(nullptr);
    EndProcess(code);
}
