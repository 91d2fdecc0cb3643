// The user-interface half of the platform layer: exactly the dialog, control,
// message-box and window-placement operations the upgrade needs. Three
// implementations exist: Win32 dialogs from the resource script
// (platform/win32), a terminal front end (platform/posix) and a scripted
// fake for the tests (tests/support). Dialog procedures are portable: they
// see only the initialisation and command messages and touch controls only
// through these calls, never through a system window handle.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The two messages a dialog procedure handles. The values are those of the
// Win32 dialog manager, so the Win32 layer passes messages through unchanged.
constexpr unsigned kMessageInitDialog = 0x0110;  // WM_INITDIALOG
constexpr unsigned kMessageCommand = 0x0111;     // WM_COMMAND; low 16 bits of wordParam: the command

// Command identifiers of the platform's OK and Cancel (Cancel is also raised
// by the close box and, in modal dialogs, by Esc).
constexpr int kCommandOk = 1;
constexpr int kCommandCancel = 2;

// The command identifier of a command message: the low 16 bits of wordParam.
inline int CommandIdentifier(std::uintptr_t wordParam) { return static_cast<int>(wordParam & 0xFFFFu); }

// A dialog procedure returns non-zero when it handled the message.
typedef std::intptr_t (*DialogProcedure)(WindowHandle window, unsigned message,
                                         std::uintptr_t wordParam, std::intptr_t longParam);

// Runs a modal dialog from a template on the calling thread; returns the
// value the procedure ended it with (1 or 0). The context is the dialog's
// own data (DialogContext), there for the procedure from the initialisation
// message on.
int RunModalDialog(InstanceHandle instance, int templateId, DialogProcedure procedure, void* context);
void EndModalDialog(WindowHandle dialog, int result);

// Modeless dialogs are created hidden, shown explicitly, and pumped only by
// the thread that created them. The context must outlive the dialog.
WindowHandle CreateModelessDialog(InstanceHandle instance, int templateId, DialogProcedure procedure,
                                  void* context);
// The context the dialog was created with.
void* DialogContext(WindowHandle dialog);
void ShowDialog(WindowHandle dialog);
void DestroyDialog(WindowHandle dialog);

void SetWindowTitle(WindowHandle window, const char* title);
void SetControlText(WindowHandle dialog, int controlId, const char* text);
// Copies at most capacity - 1 characters and a terminator; returns the length.
int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity);
void FocusControl(WindowHandle dialog, int controlId);

// Progress bars: range 0..maximum (maximum at most 65535) and position.
void SetProgressRange(WindowHandle dialog, int controlId, unsigned maximum);
void SetProgressPosition(WindowHandle dialog, int controlId, unsigned position);

// Drop-down lists: entries in the order added; selection -1 means none.
void AddListEntry(WindowHandle dialog, int controlId, const char* text);
void SelectListEntry(WindowHandle dialog, int controlId, int index);
int GetSelectedListEntry(WindowHandle dialog, int controlId);

// Takes one waiting message of the dialog (or its controls) off the calling
// thread's queue and dispatches it; false when none was waiting.
bool PumpOneMessage(WindowHandle dialog);
// Dispatches messages of the dialog until none is waiting.
void PumpAllMessages(WindowHandle dialog);

// A message box with a single OK button and no icon. Without an owner it is
// task-modal; with one, it belongs to that dialog. Returns when dismissed.
void ShowMessageBox(WindowHandle owner, const char* text, const char* caption);

struct WindowRect {
    int left, top, right, bottom;
};
bool GetWindowRectangle(WindowHandle window, WindowRect* rect);
void GetScreenSize(int* width, int* height);
// Moves the window to (x, y) without resizing it and brings it to the top.
void MoveWindowToTop(WindowHandle window, int x, int y);

// Program-wide set-up of the user interface: registers the program's window
// class ("QevUpgrade"; false on failure) and the common-control classes.
bool RegisterProgramWindowClass(InstanceHandle instance);
void RegisterCommonControls();
