// A dialog's controls as the terminal front end holds them: built from the
// template or as a message box, and their texts set and read.
#include "console/dialog_model.h"

#include <cstring>

#include "common/text.h"
#include "console/control_kinds.h"
#include "console/dialog_keys.h"
#include "console/text_wrap.h"

namespace {

void ResetControl(ControlState* control, const ControlTemplate& source) {
    std::memset(control, 0, sizeof *control);
    control->source = source;
    control->selection = -1;
    if (source.kind != ControlKind::AddressEntry && source.text != nullptr)
        CopyText(control->text, sizeof control->text, source.text);
    control->cursor = TextLength(control->text);
}

}  // namespace

void InitializeDialogModel(DialogModel* dialog, const DialogTemplate& source, bool modal) {
    dialog->templateId = source.id;
    CopyText(dialog->title, sizeof dialog->title, source.title);
    int count = source.controlCount < kMaxDialogControls ? source.controlCount : kMaxDialogControls;
    for (int i = 0; i < count; ++i) ResetControl(&dialog->controls[i], source.controls[i]);
    dialog->controlCount = count;
    dialog->focus = -1;
    dialog->modal = modal;
    dialog->width = dialog->height = 0;
    dialog->left = dialog->top = 0;
}

void InitializeMessageBoxModel(DialogModel* dialog, const char* text, const char* caption) {
    static const ControlTemplate kButton = {ControlKind::DefaultPushButton, 1, "OK", 0, 0, 0, 0, 0};
    // A static text taller than a label, so that it wraps.
    static const ControlTemplate kText = {ControlKind::TextLeft, -1, "", 0, 0, 0, 100, 0};
    dialog->templateId = 0;
    CopyText(dialog->title, sizeof dialog->title, caption != nullptr ? caption : "");
    ResetControl(&dialog->controls[0], kButton);
    ResetControl(&dialog->controls[1], kText);
    CopyText(dialog->controls[1].text, sizeof dialog->controls[1].text, text != nullptr ? text : "");
    dialog->controlCount = 2;
    dialog->focus = 0;
    dialog->modal = true;
    dialog->width = dialog->height = 0;
    dialog->left = dialog->top = 0;
}

int FindControlIndex(const DialogModel& dialog, int controlId) {
    if (controlId == -1) return -1;
    for (int i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].source.id == controlId) return i;
    return -1;
}

int FirstTabStop(const DialogModel& dialog) {
    for (int i = 0; i < dialog.controlCount; ++i)
        if (IsTabStop(dialog.controls[i].source.kind)) return i;
    return -1;
}

void SetModelControlText(DialogModel* dialog, int index, const char* text) {
    if (index < 0 || index >= dialog->controlCount) return;
    ControlState& control = dialog->controls[index];
    if (text == nullptr) text = "";
    switch (control.source.kind) {
        case ControlKind::AddressEntry: {
            // Four decimal fields separated by dots; anything else is dropped.
            std::memset(control.fields, 0, sizeof control.fields);
            int field = 0;
            for (const char* c = text; *c != 0 && field < kAddressFieldCount; ++c) {
                if (*c == '.') {
                    ++field;
                } else if (*c >= '0' && *c <= '9') {
                    int length = TextLength(control.fields[field]);
                    if (length < kAddressFieldSize - 1) control.fields[field][length] = *c;
                }
            }
            control.field = 0;
            // What was given is what is read back, fields or not.
            CopyText(control.text, sizeof control.text, text);
            control.rawText = true;
            return;
        }
        case ControlKind::DropDown:
        case ControlKind::ProgressBar:
        case ControlKind::Icon:
            return;
        default:
            CopyText(control.text, sizeof control.text, text);
            control.cursor = TextLength(control.text);
            control.scroll = 0;
            if (IsEditable(control.source.kind)) KeepCursorVisible(&control);
            return;
    }
}

int GetModelControlText(const DialogModel& dialog, int index, char* buffer, int capacity) {
    if (capacity <= 0) return 0;
    buffer[0] = 0;
    if (index < 0 || index >= dialog.controlCount) return 0;
    const ControlState& control = dialog.controls[index];
    std::size_t size = static_cast<std::size_t>(capacity);
    if (control.source.kind == ControlKind::AddressEntry) {
        if (control.rawText) return static_cast<int>(CopyText(buffer, size, control.text));
        bool any = false;
        for (int i = 0; i < kAddressFieldCount; ++i)
            if (control.fields[i][0] != 0) any = true;
        if (!any) return 0;
        return static_cast<int>(FormatText(buffer, size, "%s.%s.%s.%s", control.fields[0], control.fields[1],
                                           control.fields[2], control.fields[3]));
    }
    if (control.source.kind == ControlKind::DropDown) {
        if (control.selection < 0 || control.selection >= control.entryCount) return 0;
        return static_cast<int>(CopyText(buffer, size, control.entries[control.selection]));
    }
    return static_cast<int>(CopyText(buffer, size, control.text));
}
