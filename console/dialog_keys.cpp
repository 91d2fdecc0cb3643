// The keys of a dialog: Tab order, the default button, editing of the
// fields and the address, the drop-down list and scrolling of text areas.
#include "console/dialog_keys.h"

#include <cstring>

#include "console/control_kinds.h"
#include "console/text_wrap.h"

namespace {

void MoveFocus(DialogModel* dialog, int step) {
    int count = dialog->controlCount;
    if (count == 0) return;
    int index = dialog->focus;
    for (int tries = 0; tries < count; ++tries) {
        index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
        if (IsTabStop(dialog->controls[index].source.kind)) {
            dialog->focus = index;
            return;
        }
    }
}

void EditText(ControlState* control, KeyPress key) {
    int length = TextLength(control->text);
    if (control->cursor > length) control->cursor = length;
    switch (key.code) {
        case KeyCode::Character:
            if (length < kControlTextSize - 1) {
                std::memmove(control->text + control->cursor + 1, control->text + control->cursor,
                             static_cast<std::size_t>(length - control->cursor + 1));
                control->text[control->cursor++] = key.character;
            }
            break;
        case KeyCode::Backspace:
            if (control->cursor > 0) {
                std::memmove(control->text + control->cursor - 1, control->text + control->cursor,
                             static_cast<std::size_t>(length - control->cursor + 1));
                --control->cursor;
            }
            break;
        case KeyCode::Delete:
            if (control->cursor < length)
                std::memmove(control->text + control->cursor, control->text + control->cursor + 1,
                             static_cast<std::size_t>(length - control->cursor));
            break;
        case KeyCode::Left:
            if (control->cursor > 0) --control->cursor;
            break;
        case KeyCode::Right:
            if (control->cursor < length) ++control->cursor;
            break;
        case KeyCode::Home:
            control->cursor = 0;
            break;
        case KeyCode::End:
            control->cursor = length;
            break;
        default:
            break;
    }
    KeepCursorVisible(control);
}

void ScrollField(ControlState* control, KeyPress key) {
    int length = TextLength(control->text);
    int visible = control->cell.width - 2;
    int last = length - visible > 0 ? length - visible : 0;
    if (key.code == KeyCode::Left && control->scroll > 0) --control->scroll;
    if (key.code == KeyCode::Right && control->scroll < last) ++control->scroll;
    if (key.code == KeyCode::Home) control->scroll = 0;
    if (key.code == KeyCode::End) control->scroll = last;
}

// Keys of the IPv4 address control: four fields of up to three digits.
void EditAddress(ControlState* control, KeyPress key) {
    if (key.code == KeyCode::Character || key.code == KeyCode::Backspace || key.code == KeyCode::Delete)
        control->rawText = false;
    char* field = control->fields[control->field];
    int length = TextLength(field);
    switch (key.code) {
        case KeyCode::Character:
            if (key.character >= '0' && key.character <= '9') {
                if (length < kAddressFieldSize - 1) {
                    field[length] = key.character;
                    field[length + 1] = 0;
                    if (length + 1 == kAddressFieldSize - 1 && control->field < kAddressFieldCount - 1)
                        ++control->field;
                }
            } else if ((key.character == '.' || key.character == ' ') && length > 0 &&
                       control->field < kAddressFieldCount - 1) {
                ++control->field;
            }
            break;
        case KeyCode::Backspace:
            if (length > 0) {
                field[length - 1] = 0;
            } else if (control->field > 0) {
                --control->field;
                char* previous = control->fields[control->field];
                int previousLength = TextLength(previous);
                if (previousLength > 0) previous[previousLength - 1] = 0;
            }
            break;
        case KeyCode::Delete:
            field[0] = 0;
            break;
        case KeyCode::Left:
            if (control->field > 0) --control->field;
            break;
        case KeyCode::Right:
            if (control->field < kAddressFieldCount - 1) ++control->field;
            break;
        case KeyCode::Home:
            control->field = 0;
            break;
        case KeyCode::End:
            control->field = kAddressFieldCount - 1;
            break;
        default:
            break;
    }
}

int ListKey(ControlState* control, KeyPress key) {
    if (control->listOpen) {
        switch (key.code) {
            case KeyCode::Up:
                if (control->listHighlight > 0) --control->listHighlight;
                return 0;
            case KeyCode::Down:
                if (control->listHighlight < control->entryCount - 1) ++control->listHighlight;
                return 0;
            case KeyCode::Home:
                control->listHighlight = 0;
                return 0;
            case KeyCode::End:
                control->listHighlight = control->entryCount - 1;
                return 0;
            case KeyCode::Enter:
            case KeyCode::Character:
            case KeyCode::OpenList:
            case KeyCode::Tab:
            case KeyCode::BackTab:
                if (key.code == KeyCode::Character && key.character != ' ') return 0;
                if (control->entryCount > 0) control->selection = control->listHighlight;
                control->listOpen = false;
                return 0;
            case KeyCode::Escape:
                control->listOpen = false;
                return 0;
            default:
                return 0;
        }
    }
    switch (key.code) {
        case KeyCode::Up:
            if (control->selection > 0) --control->selection;
            break;
        case KeyCode::Down:
            if (control->selection < control->entryCount - 1) ++control->selection;
            break;
        case KeyCode::Home:
            if (control->entryCount > 0) control->selection = 0;
            break;
        case KeyCode::End:
            if (control->entryCount > 0) control->selection = control->entryCount - 1;
            break;
        case KeyCode::Character:
        case KeyCode::OpenList:
            if (key.code == KeyCode::Character && key.character != ' ') break;
            if (control->entryCount > 0) {
                control->listOpen = true;
                control->listHighlight = control->selection >= 0 ? control->selection : 0;
            }
            break;
        default:
            break;
    }
    return 0;
}

void ScrollText(ControlState* control, KeyPress key) {
    int last = control->lineCount - control->cell.height;
    if (last < 0) last = 0;
    int page = control->cell.height > 1 ? control->cell.height - 1 : 1;
    switch (key.code) {
        case KeyCode::Up: --control->scroll; break;
        case KeyCode::Down: ++control->scroll; break;
        case KeyCode::PageUp: control->scroll -= page; break;
        case KeyCode::PageDown: control->scroll += page; break;
        case KeyCode::Home: control->scroll = 0; break;
        case KeyCode::End: control->scroll = last; break;
        default: break;
    }
    if (control->scroll > last) control->scroll = last;
    if (control->scroll < 0) control->scroll = 0;
}

}  // namespace

void KeepCursorVisible(ControlState* control) {
    int visible = control->cell.width - 2;
    if (visible < 1) visible = 1;
    if (control->cursor < control->scroll) control->scroll = control->cursor;
    if (control->cursor > control->scroll + visible - 1) control->scroll = control->cursor - visible + 1;
    if (control->scroll < 0) control->scroll = 0;
}

int EffectiveDefaultButton(const DialogModel& dialog) {
    if (dialog.focus >= 0 && IsPushButton(dialog.controls[dialog.focus].source.kind))
        return dialog.focus;
    for (int i = 0; i < dialog.controlCount; ++i)
        if (dialog.controls[i].source.kind == ControlKind::DefaultPushButton) return i;
    return -1;
}

int HandleKey(DialogModel* dialog, KeyPress key) {
    ControlState* focused = dialog->focus >= 0 ? &dialog->controls[dialog->focus] : nullptr;
    if (focused != nullptr && focused->listOpen) return ListKey(focused, key);
    switch (key.code) {
        case KeyCode::Escape:
            return 2;
        case KeyCode::Tab:
            MoveFocus(dialog, 1);
            return 0;
        case KeyCode::BackTab:
            MoveFocus(dialog, -1);
            return 0;
        case KeyCode::Enter: {
            // Only a modal dialog's dialog manager turns Enter into a command.
            if (!dialog->modal) return 0;
            int button = EffectiveDefaultButton(*dialog);
            return button >= 0 ? dialog->controls[button].source.id : 0;
        }
        case KeyCode::PageUp:
        case KeyCode::PageDown:
            if (focused != nullptr && Scrolls(*focused)) {
                ScrollText(focused, key);
            } else {
                for (int i = 0; i < dialog->controlCount; ++i) {
                    if (Scrolls(dialog->controls[i])) {
                        ScrollText(&dialog->controls[i], key);
                        break;
                    }
                }
            }
            return 0;
        default:
            break;
    }
    if (focused == nullptr) return 0;
    ControlKind kind = focused->source.kind;
    if (IsPushButton(kind)) {
        if (key.code == KeyCode::Character && key.character == ' ') return focused->source.id;
        if (key.code == KeyCode::Left || key.code == KeyCode::Up) MoveFocus(dialog, -1);
        if (key.code == KeyCode::Right || key.code == KeyCode::Down) MoveFocus(dialog, 1);
        return 0;
    }
    if (IsEditable(kind)) {
        EditText(focused, key);
        return 0;
    }
    if (kind == ControlKind::AddressEntry) {
        EditAddress(focused, key);
        return 0;
    }
    if (kind == ControlKind::DropDown) return ListKey(focused, key);
    if (IsMultiLineText(*focused)) {
        ScrollText(focused, key);
        return 0;
    }
    if (IsField(kind)) ScrollField(focused, key);
    return 0;
}
