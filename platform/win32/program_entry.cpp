// The Windows program's entry point: no command line is read; the upgrade
// runs and the process ends with exit code 0 on every path.
#include "platform/win32/windows_headers.h"

#include "app/upgrade_main.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int code = UpgradeMain(reinterpret_cast<InstanceHandle>(instance));
    EndProcess(code);
}
