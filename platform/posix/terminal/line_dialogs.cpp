// The line mode's dialogs: a question for each input control, then one for
// the buttons, until the dialog procedure ends the dialog; and the message box.
#include <cstdlib>
#include <cstring>

#include "common/text.h"
#include "console/control_kinds.h"
#include "platform/posix/terminal/input_handover.h"
#include "platform/posix/terminal/line_mode.h"

namespace {

// The push button an answer names: its caption, or a unique beginning of
// one, in any case; -1 none.
int FindButtonByLabel(const DialogModel& model, const char* answer) {
    int match = -1, matches = 0;
    std::size_t length = std::strlen(answer);
    if (length == 0) return -1;
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& control = model.controls[i];
        if (!IsPushButton(control.source.kind)) continue;
        if (SameWord(control.source.text, answer)) return i;
        char start[kLineSize];
        CopyText(start, length + 1 < sizeof start ? length + 1 : sizeof start, control.source.text);
        if (std::strlen(start) == length && SameWord(start, answer)) {
            match = i;
            ++matches;
        }
    }
    return matches == 1 ? match : -1;
}

// Writes the question for one input control: its label and what it holds
// now (a drop-down list: its entries numbered, and the number chosen).
void AskFor(LineState* lines, const DialogModel& model, int index) {
    const ControlState& control = model.controls[index];
    ControlKind kind = control.source.kind;
    char prompt[kLineSize], line[kLineSize], label[kLineSize];
    int labelIndex = LabelOf(model, index);
    CopyText(label, sizeof label,
             labelIndex >= 0 ? model.controls[labelIndex].text
                             : kind == ControlKind::AddressEntry ? "IP address" : "Value");
    char current[kControlTextSize];
    GetModelControlText(model, index, current, sizeof current);
    if (kind == ControlKind::DropDown) {
        PrintText(lines, label);
        for (int i = 0; i < control.entryCount; ++i) {
            FormatText(line, sizeof line, "  %d) %s", i + 1, control.entries[i]);
            PrintText(lines, line);
        }
        FormatText(prompt, sizeof prompt, "%s [%d]: ", label, control.selection + 1);
    } else if (kind == ControlKind::EditPassword || current[0] == 0) {
        FormatText(prompt, sizeof prompt, "%s: ", label);
    } else {
        FormatText(prompt, sizeof prompt, "%s [%s]: ", label, current);
    }
    Prompt(lines, prompt);
}

// A drop-down list's answer: an entry as written or its number. False when it is neither.
bool ChooseEntry(ControlState* control, const char* answer) {
    for (int i = 0; i < control->entryCount; ++i) {
        if (SameWord(control->entries[i], answer)) {
            control->selection = i;
            return true;
        }
    }
    char* end = nullptr;
    unsigned long number = std::strtoul(answer, &end, 10);
    if (end == answer || *end != 0 || number < 1 || number > static_cast<unsigned long>(control->entryCount))
        return false;
    control->selection = static_cast<int>(number - 1);
    return true;
}

bool IsAddressLike(const char* answer) {
    for (const char* c = answer; *c != 0; ++c)
        if (!((*c >= '0' && *c <= '9') || *c == '.' || *c == '*')) return false;
    return true;
}

// Asks for one input control. Returns a command when the answer was one (a
// button's caption at a choice, the end of input, Ctrl-C), else 0.
int AskInput(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window, int index) {
    char line[kLineSize];
    for (;;) {
        DialogModel& model = window->model;
        ControlState& control = model.controls[index];
        ControlKind kind = control.source.kind;
        if (kind == ControlKind::DropDown && control.entryCount < 2) return 0;  // nothing to choose
        AskFor(&ui->lines, model, index);
        Answer answer = ReadAnswer(ui, lock, window, line, sizeof line, kind == ControlKind::EditPassword);
        if (!IsLive(*ui, window)) return kCommandCancel;
        if (answer != Answer::Line) return kCommandCancel;
        if (kind == ControlKind::EditPassword || kind == ControlKind::EditInput) {
            if (line[0] != 0 || kind == ControlKind::EditPassword) SetModelControlText(&model, index, line);
            return 0;
        }
        Trim(line);
        if (line[0] == 0) return 0;  // keeps what is there
        int button = FindButtonByLabel(model, line);
        if (kind == ControlKind::AddressEntry) {
            if (button >= 0 && !IsAddressLike(line)) return model.controls[button].source.id;
            SetModelControlText(&model, index, line);
            return 0;
        }
        if (ChooseEntry(&control, line)) return 0;
        if (button >= 0) return model.controls[button].source.id;
        FormatText(line, sizeof line, "Please answer 1 to %d.", control.entryCount);
        PrintText(&ui->lines, line);
    }
}

// Asks which button to press; Enter takes the default one.
int AskButton(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    char prompt[kLineSize], line[kLineSize];
    for (;;) {
        DialogModel& model = window->model;
        int order[kMaxDialogControls];
        int count = VisualOrder(model, order);
        prompt[0] = 0;
        int buttons = 0;
        for (int k = 0; k < count; ++k) {
            const ControlState& control = model.controls[order[k]];
            if (!IsPushButton(control.source.kind)) continue;
            AppendText(prompt, sizeof prompt, "%s%s", buttons > 0 ? " / " : "", control.source.text);
            ++buttons;
        }
        int defaultButton = EffectiveDefaultButton(model);
        if (buttons == 0) return kCommandCancel;
        if (defaultButton >= 0) AppendText(prompt, sizeof prompt, " [%s]", model.controls[defaultButton].source.text);
        AppendText(prompt, sizeof prompt, ": ");
        Prompt(&ui->lines, prompt);
        Answer answer = ReadAnswer(ui, lock, window, line, sizeof line, false);
        if (!IsLive(*ui, window) || answer != Answer::Line) return kCommandCancel;
        Trim(line);
        if (line[0] == 0 && defaultButton >= 0) return window->model.controls[defaultButton].source.id;
        int button = FindButtonByLabel(window->model, line);
        if (button >= 0) return window->model.controls[button].source.id;
        PrintText(&ui->lines, "Please answer with one of the buttons, or Enter for the one in brackets.");
    }
}

}  // namespace

void RunLineLoop(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    while (IsLive(*ui, window) && !window->ended && !ui->ended.load()) {
        int command = 0;
        int order[kMaxDialogControls];
        int count = VisualOrder(window->model, order);
        for (int k = 0; k < count && command == 0; ++k)
            if (IsInput(window->model.controls[order[k]].source.kind)) command = AskInput(ui, lock, window, order[k]);
        if (command == 0) command = AskButton(ui, lock, window);
        bool endOfInput = InputExhausted(ui->lines);
        DeliverCommand(lock, window, command);
        // Input that has ended can answer nothing more: a dialog that
        // stays open after Cancel is ended here, so the run cannot spin.
        if (endOfInput && command == kCommandCancel && IsLive(*ui, window) && !window->ended) {
            window->ended = true;
            window->result = 0;
        }
    }
}

void RunMessageBoxLines(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    char line[kLineSize];
    Prompt(&ui->lines, "Press Enter for OK: ");
    ReadAnswer(ui, lock, window, line, sizeof line, false);
    window->ended = true;
    window->result = kCommandOk;
}
