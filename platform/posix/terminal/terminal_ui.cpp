// The user interface of the POSIX program: the ten dialogs and the message
// boxes in a terminal, full screen through curses (screen_mode.cpp) or, when
// standard input or output is not a terminal, as lines (line_mode.h). These
// are the platform_ui operations; they own the front end's one state record.
//
// Threads: every operation takes the record's lock, so two threads may each
// own dialogs and call in at once. Keys go to the topmost dialog (the one
// shown or raised last) and are read only by the thread that created it,
// when it pumps that dialog or runs its modal loop (input_handover.cpp).
// Dialog procedures are always called without the lock held.
#include "platform/platform_ui.h"

#include "common/text.h"
#include "console/control_kinds.h"
#include "platform/posix/terminal/input_handover.h"
#include "platform/posix/terminal/line_mode.h"
#include "platform/posix/terminal/screen_mode.h"
#include "platform/posix/terminal/terminal_start.h"
#include "platform/posix/terminal/terminal_state.h"

namespace {

// The front end's state. The platform_ui calls carry no context, and the
// two hooks below (the waits' input descriptor, the end of the process) are
// plain functions, so the record lives here and is passed on from here.
TerminalUi g_ui;

int CallingThreadInputDescriptor() { return InputDescriptor(&g_ui); }

void EndOfProcess() { EndTerminal(&g_ui); }

// Lock held.
void Start() { StartTerminal(&g_ui, CallingThreadInputDescriptor, EndOfProcess); }

// The modal loop of a dialog or a message box, in the mode's way, until it
// is ended. Lock held on entry and exit.
void RunModalLoop(std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    if (g_ui.mode == Mode::Lines) {
        if (window->kind == WindowKind::MessageBox)
            RunMessageBoxLines(&g_ui, lock, window);
        else
            RunLineLoop(&g_ui, lock, window);
        return;
    }
    lock.unlock();
    RunScreenLoop(&g_ui, window);
    lock.lock();
}

}  // namespace

int RunModalDialog(InstanceHandle, int templateId, DialogProcedure procedure, void* context) {
    const DialogTemplate* source = FindDialogTemplate(templateId);
    if (source == nullptr) return 0;
    PlatformWindow* window = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_ui.lock);
        Start();
        window = Allocate(&g_ui, WindowKind::Modal);
        if (window == nullptr) return 0;
        window->procedure = procedure;
        window->context = context;
        InitializeDialogModel(&window->model, *source, true);
        LayOut(&g_ui, window);
    }
    std::intptr_t focusFirst = procedure(window, kMessageInitDialog, 0, 0);
    std::unique_lock<std::mutex> lock(g_ui.lock);
    if (focusFirst != 0 || window->model.focus < 0) window->model.focus = FirstTabStop(window->model);
    if (!window->ended) {
        Show(&g_ui, window);
        RunModalLoop(lock, window);
    }
    int result = window->result;
    Release(window);
    Compose(&g_ui);
    return result;
}

void EndModalDialog(WindowHandle dialog, int result) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, dialog) || dialog->kind != WindowKind::Modal) return;
    dialog->ended = true;
    dialog->result = result;
}

WindowHandle CreateModelessDialog(InstanceHandle, int templateId, DialogProcedure procedure, void* context) {
    const DialogTemplate* source = FindDialogTemplate(templateId);
    if (source == nullptr) return nullptr;
    PlatformWindow* window = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_ui.lock);
        Start();
        window = Allocate(&g_ui, WindowKind::Modeless);
        if (window == nullptr) return nullptr;
        window->procedure = procedure;
        window->context = context;
        InitializeDialogModel(&window->model, *source, false);
        LayOut(&g_ui, window);
    }
    std::intptr_t focusFirst = procedure(window, kMessageInitDialog, 0, 0);
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (IsLive(g_ui, window) && (focusFirst != 0 || window->model.focus < 0))
        window->model.focus = FirstTabStop(window->model);
    return window;
}

void* DialogContext(WindowHandle dialog) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    return IsLive(g_ui, dialog) ? dialog->context : nullptr;
}

void ShowDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, dialog) || dialog->visible) return;
    Show(&g_ui, dialog);
}

void DestroyDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, dialog)) return;
    ReportFinalProgress(&g_ui, dialog);
    if (dialog->kind == WindowKind::Modal) {
        // Destroying a modal dialog ends its loop; the loop releases it.
        dialog->ended = true;
        dialog->visible = false;
    } else {
        Release(dialog);
    }
    Compose(&g_ui);
}

void SetWindowTitle(WindowHandle window, const char* title) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, window)) return;
    CopyText(window->model.title, sizeof window->model.title, title != nullptr ? title : "");
    LayOut(&g_ui, window);
    ReportProgress(&g_ui, window, false);
    Compose(&g_ui);
}

void SetControlText(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr) return;
    SetModelControlText(&dialog->model, FindControlIndex(dialog->model, controlId), text);
    LayOut(&g_ui, dialog);
    if (g_ui.mode == Mode::Lines && dialog->visible && IsMultiLineText(*control) && control->text[0] != 0)
        PrintWrapped(&g_ui.lines, control->text);
    Compose(&g_ui);
}

int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (capacity > 0) buffer[0] = 0;
    if (!IsLive(g_ui, dialog)) return 0;
    return GetModelControlText(dialog->model, FindControlIndex(dialog->model, controlId), buffer, capacity);
}

void FocusControl(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, dialog)) return;
    int index = FindControlIndex(dialog->model, controlId);
    if (index < 0) return;
    ControlKind kind = dialog->model.controls[index].source.kind;
    if (kind == ControlKind::ProgressBar || kind == ControlKind::Icon) return;
    dialog->model.focus = index;
    Compose(&g_ui);
}

void SetProgressRange(WindowHandle dialog, int controlId, unsigned maximum) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::ProgressBar) return;
    control->maximum = maximum <= 65535u ? maximum : 65535u;
    ReportProgress(&g_ui, dialog, false);
    Compose(&g_ui);
}

void SetProgressPosition(WindowHandle dialog, int controlId, unsigned position) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::ProgressBar) return;
    control->position = position;
    ReportProgress(&g_ui, dialog, false);
    Compose(&g_ui);
}

void AddListEntry(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return;
    if (control->entryCount >= kMaxListEntries) return;
    CopyText(control->entries[control->entryCount++], kListEntrySize, text != nullptr ? text : "");
    LayOut(&g_ui, dialog);
    Compose(&g_ui);
}

void SelectListEntry(WindowHandle dialog, int controlId, int index) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return;
    if (index >= -1 && index < control->entryCount) control->selection = index;
    Compose(&g_ui);
}

int GetSelectedListEntry(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    ControlState* control = FindControl(&g_ui, dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return -1;
    return control->selection;
}

bool PumpOneMessage(WindowHandle dialog) {
    {
        std::lock_guard<std::mutex> guard(g_ui.lock);
        if (!IsLive(g_ui, dialog)) return false;
    }
    return DeliverOneInput(&g_ui, dialog);
}

void PumpAllMessages(WindowHandle dialog) {
    while (PumpOneMessage(dialog)) {
    }
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* caption) {
    std::unique_lock<std::mutex> lock(g_ui.lock);
    Start();
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "";
    if (owner == nullptr) FormatText(g_ui.lastError, sizeof g_ui.lastError, "%s: %s", caption, text);
    PlatformWindow* window = Allocate(&g_ui, WindowKind::MessageBox);
    if (window == nullptr) {
        PrintWrapped(&g_ui.lines, text);  // its own line breaks kept, as a box shows them
        return;
    }
    InitializeMessageBoxModel(&window->model, text, caption);
    Show(&g_ui, window);
    RunModalLoop(lock, window);
    Release(window);
    Compose(&g_ui);
}

bool GetWindowRectangle(WindowHandle window, WindowRect* rect) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, window)) return false;
    rect->left = window->x;
    rect->top = window->y;
    rect->right = window->x + window->model.width;
    rect->bottom = window->y + window->model.height;
    return true;
}

void GetScreenSize(int* width, int* height) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    Start();
    ScreenSize(g_ui, width, height);
}

void MoveWindowToTop(WindowHandle window, int x, int y) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    if (!IsLive(g_ui, window)) return;
    window->x = x;
    window->y = y;
    window->placed = true;
    window->order = ++g_ui.order;
    Compose(&g_ui);
}

bool RegisterProgramWindowClass(InstanceHandle) {
    std::lock_guard<std::mutex> guard(g_ui.lock);
    Start();
    return true;
}

void RegisterCommonControls() {}
