// The Win32 user interface: dialogs from the resource script's templates,
// their controls, message pumping, message boxes and window placement.
//
// Portable dialog procedures are not DLGPROCs: every dialog runs one
// trampoline that receives the portable procedure and its context as its
// creation parameter, keeps the procedure in the dialog's DWLP_USER slot and
// the context in its GWLP_USERDATA, and hands every message on to the
// procedure unchanged. Before WM_INITDIALOG arrives (WM_SETFONT and the
// like) the slot is empty and the dialog manager does the default.
#include "platform/win32/windows_headers.h"

#include "platform/platform_ui.h"

namespace {

HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle Portable(HWND window) { return reinterpret_cast<WindowHandle>(window); }

HINSTANCE ModuleOf(InstanceHandle instance) {
    return instance != nullptr ? static_cast<HINSTANCE>(instance) : ::GetModuleHandleA(nullptr);
}

// The creation parameter: read once, at WM_INITDIALOG, while the creating
// call still runs.
struct DialogCreation {
    DialogProcedure procedure;
    void* context;
};

INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wordParam, LPARAM longParam) {
    if (message == WM_INITDIALOG) {
        const DialogCreation* creation = reinterpret_cast<const DialogCreation*>(longParam);
        ::SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->context));
        ::SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(creation->procedure));
    }
    DialogProcedure procedure = reinterpret_cast<DialogProcedure>(::GetWindowLongPtrA(dialog, DWLP_USER));
    if (procedure == nullptr) return FALSE;
    return procedure(Portable(dialog), message, wordParam, longParam);
}

LRESULT CALLBACK ProgramWindowProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

int RunModalDialog(InstanceHandle instance, int templateId, DialogProcedure procedure, void* context) {
    DialogCreation creation = {procedure, context};
    INT_PTR result = ::DialogBoxParamA(ModuleOf(instance), MAKEINTRESOURCEA(templateId), nullptr, DialogTrampoline,
                                       reinterpret_cast<LPARAM>(&creation));
    return static_cast<int>(result);
}

void EndModalDialog(WindowHandle dialog, int result) { ::EndDialog(Native(dialog), result); }

WindowHandle CreateModelessDialog(InstanceHandle instance, int templateId, DialogProcedure procedure,
                                  void* context) {
    DialogCreation creation = {procedure, context};
    HWND dialog = ::CreateDialogParamA(ModuleOf(instance), MAKEINTRESOURCEA(templateId), nullptr, DialogTrampoline,
                                       reinterpret_cast<LPARAM>(&creation));
    return Portable(dialog);
}

void* DialogContext(WindowHandle dialog) {
    return reinterpret_cast<void*>(::GetWindowLongPtrA(Native(dialog), GWLP_USERDATA));
}

void ShowDialog(WindowHandle dialog) { ::ShowWindow(Native(dialog), SW_SHOWNORMAL); }
void DestroyDialog(WindowHandle dialog) { ::DestroyWindow(Native(dialog)); }

void SetWindowTitle(WindowHandle window, const char* title) { ::SetWindowTextA(Native(window), title); }

void SetControlText(WindowHandle dialog, int controlId, const char* text) {
    ::SetDlgItemTextA(Native(dialog), controlId, text);
}

int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    if (capacity <= 0) return 0;
    buffer[0] = 0;
    // WM_GETTEXT: the address control answers with its dotted text as well.
    UINT length = ::GetDlgItemTextA(Native(dialog), controlId, buffer, capacity);
    buffer[capacity - 1] = 0;
    return static_cast<int>(length);
}

void FocusControl(WindowHandle dialog, int controlId) { ::SetFocus(::GetDlgItem(Native(dialog), controlId)); }

void SetProgressRange(WindowHandle dialog, int controlId, unsigned maximum) {
    ::SendDlgItemMessageA(Native(dialog), controlId, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
}

void SetProgressPosition(WindowHandle dialog, int controlId, unsigned position) {
    ::SendDlgItemMessageA(Native(dialog), controlId, PBM_SETPOS, position, 0);
}

void AddListEntry(WindowHandle dialog, int controlId, const char* text) {
    ::SendDlgItemMessageA(Native(dialog), controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void SelectListEntry(WindowHandle dialog, int controlId, int index) {
    ::SendDlgItemMessageA(Native(dialog), controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int GetSelectedListEntry(WindowHandle dialog, int controlId) {
    return static_cast<int>(::SendDlgItemMessageA(Native(dialog), controlId, CB_GETCURSEL, 0, 0));
}

bool PumpOneMessage(WindowHandle dialog) {
    // No IsDialogMessage: the modeless dialogs get no keyboard navigation.
    MSG message;
    if (!::PeekMessageA(&message, Native(dialog), 0, 0, PM_REMOVE)) return false;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
    return true;
}

void PumpAllMessages(WindowHandle dialog) {
    while (PumpOneMessage(dialog)) {
    }
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* caption) {
    ::MessageBoxA(Native(owner), text, caption, MB_OK | (owner != nullptr ? 0u : static_cast<UINT>(MB_TASKMODAL)));
}

bool GetWindowRectangle(WindowHandle window, WindowRect* rect) {
    RECT system;
    if (!::GetWindowRect(Native(window), &system)) return false;
    rect->left = system.left;
    rect->top = system.top;
    rect->right = system.right;
    rect->bottom = system.bottom;
    return true;
}

void GetScreenSize(int* width, int* height) {
    *width = ::GetSystemMetrics(SM_CXSCREEN);
    *height = ::GetSystemMetrics(SM_CYSCREEN);
}

void MoveWindowToTop(WindowHandle window, int x, int y) {
    ::SetWindowPos(Native(window), HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

bool RegisterProgramWindowClass(InstanceHandle instance) {
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = ProgramWindowProcedure;
    windowClass.hInstance = ModuleOf(instance);
    windowClass.lpszClassName = "QevUpgrade";
    return ::RegisterClassA(&windowClass) != 0;
}

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = 8;
    controls.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS;  // 0x820
    ::InitCommonControlsEx(&controls);
}
