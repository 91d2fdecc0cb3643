// The Windows program's entry point: no command line is read; the upgrade
// runs with its dialogs and the process ends with exit code 0 on every path.
#include "platform/win32/windows_headers.h"

#include "app/upgrade_main.h"
#include "platform/platform.h"
#include "ui/dialog_view.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InstanceHandle handle = reinterpret_cast<InstanceHandle>(instance);
    DialogView view(handle);
    DialogView listenerView(handle);
    UpgradeMain(handle, view, listenerView);
    EndProcess(0);
}
