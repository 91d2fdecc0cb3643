// The scripted fake user interface: platform_ui.h for the tests.
#include "tests/support/fake_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "ui/dialog_templates.h"

// A window of the fake: its record, its procedure and its script.
struct PlatformWindow {
    fake_ui::DialogRecord record;
    DialogProcedure procedure = nullptr;
    void* context = nullptr;
    const DialogTemplate* dialogTemplate = nullptr;
    bool ended = false;  // modal: EndModalDialog was called
    bool rectangleFails = false;
    WindowRect rectangle = {0, 0, 0, 0};
    bool hasModelessAction = false;
    int actionAfterPumps = 0;
    fake_ui::Action modelessAction;
};

namespace fake_ui {
namespace {

struct ModelessEntry {
    bool quiet;
    int afterPumps;
    Action action;
};

struct FakeState {
    std::mutex mutex;
    std::vector<std::unique_ptr<PlatformWindow>> windows;
    std::map<int, std::deque<Action>> modalScripts;
    std::map<int, std::deque<ModelessEntry>> modelessScripts;
    std::vector<MessageBoxRecord> messageBoxes;
    std::map<int, WindowRect> rectangles;
    std::map<int, bool> failingRectangles;
    int screenWidth = 1280;
    int screenHeight = 1024;
    bool failClassRegistration = false;
    int commonControlsCalls = 0;
};

FakeState& State() {
    static FakeState state;
    return state;
}

constexpr unsigned kProgressMaximumLimit = 65535;

// The template's control of that identifier, or nullptr (with a failure).
const ControlTemplate* FindControl(const PlatformWindow* window, int control, const char* operation) {
    const DialogTemplate* dialog = window->dialogTemplate;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].id == control) return &dialog->controls[i];
    ADD_FAILURE() << operation << ": dialog " << dialog->id << " has no control " << control;
    return nullptr;
}

// Checks a handle for a call that needs a live dialog.
bool Usable(const PlatformWindow* window, const char* operation) {
    if (window == nullptr) {
        ADD_FAILURE() << operation << " on a null window handle";
        return false;
    }
    if (window->record.destroyed) {
        ADD_FAILURE() << operation << " on dialog " << window->record.templateId << " (serial "
                      << window->record.serial << ") after it was destroyed";
        return false;
    }
    return true;
}

bool OnCreatingThread(const PlatformWindow* window, const char* operation) {
    if (window->record.thread == std::this_thread::get_id()) return true;
    ADD_FAILURE() << operation << " of dialog " << window->record.templateId
                  << " from a thread other than the one that created it";
    return false;
}

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

bool TakesTyping(ControlKind kind) {
    return kind == ControlKind::EditInput || kind == ControlKind::EditPassword || kind == ControlKind::AddressEntry;
}

int FirstTabStop(const DialogTemplate* dialog) {
    for (int i = 0; i < dialog->controlCount; ++i)
        if (IsTabStop(dialog->controls[i].kind)) return dialog->controls[i].id;
    return 0;
}

// The command the Enter key raises: a focused push button's, else the
// default push button's, else OK (the dialog manager's default).
int EnterCommand(const PlatformWindow* window) {
    const DialogTemplate* dialog = window->dialogTemplate;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].id == window->record.focus && IsPushButton(dialog->controls[i].kind))
            return dialog->controls[i].id;
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].kind == ControlKind::DefaultPushButton) return dialog->controls[i].id;
    return kCommandOk;
}

PlatformWindow* NewWindow(int templateId, DialogProcedure procedure, void* context, bool modal) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (dialogTemplate == nullptr) {
        ADD_FAILURE() << "no dialog template " << templateId;
        return nullptr;
    }
    FakeState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::unique_ptr<PlatformWindow> window(new PlatformWindow);
    window->procedure = procedure;
    window->context = context;
    window->dialogTemplate = dialogTemplate;
    DialogRecord& record = window->record;
    record.serial = static_cast<int>(state.windows.size()) + 1;
    record.templateId = templateId;
    record.modal = modal;
    record.thread = std::this_thread::get_id();
    record.title = dialogTemplate->title;
    for (int i = 0; i < dialogTemplate->controlCount; ++i) {
        const ControlTemplate& control = dialogTemplate->controls[i];
        // The address control's and the progress bar's template texts are
        // class names' leftovers, not something either shows or reports.
        if (control.id == -1 || control.kind == ControlKind::AddressEntry || control.kind == ControlKind::ProgressBar)
            continue;
        record.texts[control.id] = control.text;
    }
    auto rectangle = state.rectangles.find(templateId);
    if (rectangle != state.rectangles.end()) {
        window->rectangle = rectangle->second;
    } else {
        window->rectangle = {0, 0, dialogTemplate->width * 3 / 2, dialogTemplate->height * 13 / 8};
    }
    window->rectangleFails = state.failingRectangles.count(templateId) != 0;
    if (!modal) {
        std::deque<ModelessEntry>& queue = state.modelessScripts[templateId];
        if (!queue.empty()) {
            ModelessEntry entry = queue.front();
            queue.pop_front();
            window->hasModelessAction = !entry.quiet;
            window->actionAfterPumps = entry.afterPumps;
            window->modelessAction = entry.action;
        }
    }
    PlatformWindow* handle = window.get();
    state.windows.push_back(std::move(window));
    return handle;
}

// Sends the initialisation message; the dialog manager puts the focus on
// the first tab stop when the procedure answers non-zero.
void Initialize(PlatformWindow* window) {
    std::intptr_t result = window->procedure(window, kMessageInitDialog, 0, 0);
    std::lock_guard<std::mutex> lock(State().mutex);
    window->record.initResult = result;
    if (result != 0) window->record.focus = FirstTabStop(window->dialogTemplate);
}

void SendCommand(PlatformWindow* window, std::uintptr_t wordParam) {
    std::intptr_t handled = window->procedure(window, kMessageCommand, wordParam, 0);
    std::lock_guard<std::mutex> lock(State().mutex);
    window->record.commands.push_back({wordParam, handled});
}

// Carries out one action of the user on the dialog.
void Perform(PlatformWindow* window, const Action& action) {
    std::uintptr_t command = 0;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        switch (action.kind) {
            case ActionKind::Command:
                command = action.wordParam;
                break;
            case ActionKind::Enter:
                if (!window->record.modal) return;  // no keyboard handling in modeless dialogs
                command = static_cast<std::uintptr_t>(EnterCommand(window));
                break;
            case ActionKind::Escape:
                if (!window->record.modal) return;
                command = kCommandCancel;
                break;
            case ActionKind::Close:
                command = kCommandCancel;
                break;
            case ActionKind::Type: {
                const ControlTemplate* control = FindControl(window, action.control, "typing");
                if (control == nullptr) return;
                if (!TakesTyping(control->kind)) {
                    ADD_FAILURE() << "typing into control " << action.control << " of dialog "
                                  << window->record.templateId << ", which takes no typing";
                    return;
                }
                window->record.texts[action.control] = action.text;
                window->record.focus = action.control;  // the user clicked into it
                return;
            }
            case ActionKind::Choose: {
                if (FindControl(window, action.control, "choosing") == nullptr) return;
                std::size_t count = window->record.listEntries[action.control].size();
                if (action.index < 0 || static_cast<std::size_t>(action.index) >= count) {
                    ADD_FAILURE() << "choosing entry " << action.index << " of control " << action.control
                                  << ", which has " << count << " entries";
                    return;
                }
                window->record.listSelection[action.control] = action.index;
                window->record.focus = action.control;
                return;
            }
        }
    }
    SendCommand(window, command);
}

[[noreturn]] void ScriptRanDry(const PlatformWindow* window) {
    std::fprintf(stderr,
                 "fake UI: the script of modal dialog %d ran out before the dialog ended; "
                 "a scripted test must say how every dialog ends\n",
                 window->record.templateId);
    std::fflush(stderr);
    ADD_FAILURE() << "the script of modal dialog " << window->record.templateId << " ran out";
    std::fflush(stdout);
    std::abort();
}

// One pump call on a modeless dialog: delivers its action when it is due.
bool Pump(PlatformWindow* window, const char* operation) {
    Action action;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        if (!Usable(window, operation) || !OnCreatingThread(window, operation)) return false;
        int pump = ++window->record.pumps;
        if (!window->hasModelessAction || pump != window->actionAfterPumps) return false;
        window->hasModelessAction = false;
        action = window->modelessAction;
    }
    Perform(window, action);
    return true;
}

}  // namespace

// ---- actions and scripts ---------------------------------------------------------

Action Press(int command) { return Action{ActionKind::Command, static_cast<std::uintptr_t>(command), 0, "", 0}; }
Action PressWord(std::uintptr_t wordParam) { return Action{ActionKind::Command, wordParam, 0, "", 0}; }
Action Enter() { return Action{ActionKind::Enter, 0, 0, "", 0}; }
Action Escape() { return Action{ActionKind::Escape, 0, 0, "", 0}; }
Action Close() { return Action{ActionKind::Close, 0, 0, "", 0}; }
Action Type(int control, const std::string& text) { return Action{ActionKind::Type, 0, control, text, 0}; }
Action Choose(int control, int index) { return Action{ActionKind::Choose, 0, control, "", index}; }

void Script(int templateId, std::initializer_list<Action> actions) {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::deque<Action>& queue = State().modalScripts[templateId];
    queue.insert(queue.end(), actions.begin(), actions.end());
}

void ScriptModeless(int templateId, int afterPumps, const Action& action) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().modelessScripts[templateId].push_back({false, afterPumps, action});
}

void ScriptModelessQuiet(int templateId) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().modelessScripts[templateId].push_back({true, 0, Action{}});
}

int UnusedActions() {
    FakeState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    std::size_t count = 0;
    for (const auto& queue : state.modalScripts) count += queue.second.size();
    for (const auto& queue : state.modelessScripts) count += queue.second.size();
    for (const auto& window : state.windows)
        if (window->hasModelessAction) ++count;
    return static_cast<int>(count);
}

// ---- the screen ------------------------------------------------------------------

void SetScreenSize(int width, int height) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().screenWidth = width;
    State().screenHeight = height;
}

void SetWindowRectangle(int templateId, const WindowRect& rect) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().rectangles[templateId] = rect;
}

void FailWindowRectangle(int templateId) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().failingRectangles[templateId] = true;
}

void FailWindowClassRegistration() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().failClassRegistration = true;
}

// ---- the record ------------------------------------------------------------------

std::string DialogRecord::Text(int control) const {
    auto text = texts.find(control);
    return text != texts.end() ? text->second : std::string();
}

long DialogRecord::LastProgressRange(int control) const {
    auto ranges = progressRanges.find(control);
    return ranges != progressRanges.end() && !ranges->second.empty() ? static_cast<long>(ranges->second.back()) : -1;
}

long DialogRecord::LastProgressPosition(int control) const {
    auto positions = progressPositions.find(control);
    return positions != progressPositions.end() && !positions->second.empty()
               ? static_cast<long>(positions->second.back())
               : -1;
}

std::vector<std::string> DialogRecord::Entries(int control) const {
    auto entries = listEntries.find(control);
    return entries != listEntries.end() ? entries->second : std::vector<std::string>();
}

int DialogRecord::Selection(int control) const {
    auto selection = listSelection.find(control);
    return selection != listSelection.end() ? selection->second : -1;
}

void Reset() {
    FakeState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.windows.clear();
    state.modalScripts.clear();
    state.modelessScripts.clear();
    state.messageBoxes.clear();
    state.rectangles.clear();
    state.failingRectangles.clear();
    state.screenWidth = 1280;
    state.screenHeight = 1024;
    state.failClassRegistration = false;
    state.commonControlsCalls = 0;
}

std::vector<DialogRecord> Dialogs() {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<DialogRecord> dialogs;
    for (const auto& window : State().windows) dialogs.push_back(window->record);
    return dialogs;
}

std::vector<DialogRecord> DialogsOf(int templateId) {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<DialogRecord> dialogs;
    for (const auto& window : State().windows)
        if (window->record.templateId == templateId) dialogs.push_back(window->record);
    return dialogs;
}

DialogRecord LastDialog(int templateId) {
    std::vector<DialogRecord> dialogs = DialogsOf(templateId);
    if (dialogs.empty()) {
        ADD_FAILURE() << "no dialog " << templateId << " was opened";
        return DialogRecord();
    }
    return dialogs.back();
}

std::vector<MessageBoxRecord> MessageBoxes() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().messageBoxes;
}

int RegisterCommonControlsCalls() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().commonControlsCalls;
}

}  // namespace fake_ui

// ---- platform_ui.h ---------------------------------------------------------------

using fake_ui::State;

int RunModalDialog(InstanceHandle, int templateId, DialogProcedure procedure, void* context) {
    PlatformWindow* window = fake_ui::NewWindow(templateId, procedure, context, true);
    if (window == nullptr) return -1;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        window->record.shown = true;
    }
    fake_ui::Initialize(window);
    for (;;) {
        fake_ui::Action action;
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            if (window->ended) {
                window->record.destroyed = true;
                return window->record.result;
            }
            std::deque<fake_ui::Action>& queue = State().modalScripts[templateId];
            if (queue.empty()) fake_ui::ScriptRanDry(window);
            action = queue.front();
            queue.pop_front();
        }
        fake_ui::Perform(window, action);
    }
}

void EndModalDialog(WindowHandle dialog, int result) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(dialog, "EndModalDialog")) return;
    if (!dialog->record.modal) {
        ADD_FAILURE() << "EndModalDialog on the modeless dialog " << dialog->record.templateId;
        return;
    }
    dialog->ended = true;
    dialog->record.result = result;
}

WindowHandle CreateModelessDialog(InstanceHandle, int templateId, DialogProcedure procedure, void* context) {
    PlatformWindow* window = fake_ui::NewWindow(templateId, procedure, context, false);
    if (window == nullptr) return nullptr;
    fake_ui::Initialize(window);
    return window;
}

// The context stays readable after the dialog is destroyed: a real front end
// would answer null then, but no caller asks it so late.
void* DialogContext(WindowHandle dialog) { return dialog != nullptr ? dialog->context : nullptr; }

void ShowDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (fake_ui::Usable(dialog, "ShowDialog")) dialog->record.shown = true;
}

void DestroyDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(dialog, "DestroyDialog") || !fake_ui::OnCreatingThread(dialog, "DestroyDialog")) return;
    dialog->record.destroyed = true;
}

void SetWindowTitle(WindowHandle window, const char* title) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(window, "SetWindowTitle")) return;
    window->record.title = title;
    window->record.titlesSet.push_back(title);
}

void SetControlText(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(dialog, "SetControlText") || fake_ui::FindControl(dialog, controlId, "SetControlText") == nullptr)
        return;
    dialog->record.texts[controlId] = text;
}

int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (capacity <= 0) return 0;
    buffer[0] = '\0';
    if (!fake_ui::Usable(dialog, "GetControlText") || fake_ui::FindControl(dialog, controlId, "GetControlText") == nullptr)
        return 0;
    const std::string& text = dialog->record.texts[controlId];
    std::size_t length = text.size() < static_cast<std::size_t>(capacity - 1) ? text.size()
                                                                               : static_cast<std::size_t>(capacity - 1);
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

void FocusControl(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(dialog, "FocusControl") || fake_ui::FindControl(dialog, controlId, "FocusControl") == nullptr)
        return;
    dialog->record.focus = controlId;
}

namespace {

bool IsKind(WindowHandle dialog, int controlId, ControlKind kind, const char* operation) {
    if (!fake_ui::Usable(dialog, operation)) return false;
    const ControlTemplate* control = fake_ui::FindControl(dialog, controlId, operation);
    if (control == nullptr) return false;
    if (control->kind == kind) return true;
    ADD_FAILURE() << operation << " on control " << controlId << " of dialog " << dialog->record.templateId
                  << ", which is of another kind";
    return false;
}

}  // namespace

void SetProgressRange(WindowHandle dialog, int controlId, unsigned maximum) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!IsKind(dialog, controlId, ControlKind::ProgressBar, "SetProgressRange")) return;
    if (maximum > fake_ui::kProgressMaximumLimit)
        ADD_FAILURE() << "progress maximum " << maximum << " does not fit the bar's 16 bits";
    dialog->record.progressRanges[controlId].push_back(maximum);
}

void SetProgressPosition(WindowHandle dialog, int controlId, unsigned position) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!IsKind(dialog, controlId, ControlKind::ProgressBar, "SetProgressPosition")) return;
    dialog->record.progressPositions[controlId].push_back(position);
}

void AddListEntry(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!IsKind(dialog, controlId, ControlKind::DropDown, "AddListEntry")) return;
    dialog->record.listEntries[controlId].push_back(text);
}

void SelectListEntry(WindowHandle dialog, int controlId, int index) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!IsKind(dialog, controlId, ControlKind::DropDown, "SelectListEntry")) return;
    // As the drop-down list does: an index outside the entries selects nothing.
    std::size_t count = dialog->record.listEntries[controlId].size();
    dialog->record.listSelection[controlId] = index >= 0 && static_cast<std::size_t>(index) < count ? index : -1;
}

int GetSelectedListEntry(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!IsKind(dialog, controlId, ControlKind::DropDown, "GetSelectedListEntry")) return -1;
    return dialog->record.Selection(controlId);
}

bool PumpOneMessage(WindowHandle dialog) { return fake_ui::Pump(dialog, "PumpOneMessage"); }

void PumpAllMessages(WindowHandle dialog) {
    // A delivered command may have been the last message (the next call
    // finds none), or have destroyed the dialog (a Cancel): then it is over.
    while (fake_ui::Pump(dialog, "PumpAllMessages")) {
        std::lock_guard<std::mutex> lock(State().mutex);
        if (dialog->record.destroyed) break;
    }
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* caption) {
    std::lock_guard<std::mutex> lock(State().mutex);
    fake_ui::MessageBoxRecord record;
    record.text = text;
    record.caption = caption;
    record.thread = std::this_thread::get_id();
    if (owner != nullptr && fake_ui::Usable(owner, "ShowMessageBox")) record.ownerSerial = owner->record.serial;
    State().messageBoxes.push_back(record);
    int openDialogs = 0;
    for (const auto& window : State().windows)
        if (!window->record.destroyed) ++openDialogs;
    // Also printed: in a death test the child's standard error is all that
    // survives, and the count tells whether a dialog was left open under it.
    std::fprintf(stderr, "[message box] %s: %s [open dialogs: %d]\n", caption, text, openDialogs);
    std::fflush(stderr);
}

bool GetWindowRectangle(WindowHandle window, WindowRect* rect) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (window == nullptr || window->record.destroyed || window->rectangleFails) return false;
    *rect = window->rectangle;
    return true;
}

void GetScreenSize(int* width, int* height) {
    std::lock_guard<std::mutex> lock(State().mutex);
    *width = State().screenWidth;
    *height = State().screenHeight;
}

void MoveWindowToTop(WindowHandle window, int x, int y) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (!fake_ui::Usable(window, "MoveWindowToTop")) return;
    WindowRect& rect = window->rectangle;
    rect = {x, y, x + (rect.right - rect.left), y + (rect.bottom - rect.top)};
    window->record.x = x;
    window->record.y = y;
    ++window->record.moves;
}

bool RegisterProgramWindowClass(InstanceHandle) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return !State().failClassRegistration;
}

void RegisterCommonControls() {
    std::lock_guard<std::mutex> lock(State().mutex);
    ++State().commonControlsCalls;
}
