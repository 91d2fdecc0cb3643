// The POSIX program's entry point: no arguments are taken; the upgrade runs
// and the process ends with exit code 0 on every path.
#include "app/upgrade_main.h"
#include "platform/platform.h"

int main() {
    int code = UpgradeMain(nullptr);
    EndProcess(code);
}
