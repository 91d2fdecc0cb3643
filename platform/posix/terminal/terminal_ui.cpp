// Placeholder user interface for the POSIX program until the terminal front
// end lands: every dialog is cancelled, every box is printed.
#include <cstdio>

#include "platform/platform_ui.h"

int RunModalDialog(InstanceHandle, int, DialogProcedure) { return 0; }
void EndModalDialog(WindowHandle, int) {}
WindowHandle CreateModelessDialog(InstanceHandle, int, DialogProcedure) { return nullptr; }
void ShowDialog(WindowHandle) {}
void DestroyDialog(WindowHandle) {}
void SetWindowTitle(WindowHandle, const char*) {}
void SetControlText(WindowHandle, int, const char*) {}
int GetControlText(WindowHandle, int, char* buffer, int capacity) {
    if (capacity > 0) buffer[0] = 0;
    return 0;
}
void FocusControl(WindowHandle, int) {}
void SetProgressRange(WindowHandle, int, unsigned) {}
void SetProgressPosition(WindowHandle, int, unsigned) {}
void AddListEntry(WindowHandle, int, const char*) {}
void SelectListEntry(WindowHandle, int, int) {}
int GetSelectedListEntry(WindowHandle, int) { return -1; }
bool PumpOneMessage(WindowHandle) { return false; }
void PumpAllMessages(WindowHandle) {}
void ShowMessageBox(WindowHandle, const char* text, const char* caption) { std::printf("%s: %s\n", caption, text); }
bool GetWindowRectangle(WindowHandle, WindowRect*) { return false; }
void GetScreenSize(int* width, int* height) { *width = 80; *height = 24; }
void MoveWindowToTop(WindowHandle, int, int) {}
bool RegisterProgramWindowClass(InstanceHandle) { return true; }
void RegisterCommonControls() {}
