// The terminal front end's dialogs without the terminal: control state,
// layout in character cells, keys and drawing into a cell grid.
#include "platform/posix/terminal/dialog_model.h"

#include <cstring>

#include "common/text.h"

namespace {

// Dialog units per cell are not fixed: a dialog is widened until the lines
// of its texts fit, starting from four units per column.
constexpr double kBaseScale = 0.25;
// A vertical distance of at least this many dialog units between two bands
// of controls becomes a blank row, when the screen has room for it.
constexpr int kBandGapUnits = 6;
// A closed drop-down list is one row high, whatever its template says (the
// template's height includes the open list).
constexpr int kClosedDropDownUnits = 12;
// Static texts this low are one-line labels.
constexpr int kLabelUnits = 12;
// A text area shrunk to make a dialog fit keeps at least this many rows
// before the blank rows between bands are given up.
constexpr int kMinimumScrollRows = 3;
constexpr int kAddressWidth = 17;  // [___.___.___.___]
constexpr int kMessageBoxButtonWidth = 10;

int TextLength(const char* text) { return static_cast<int>(std::strlen(text)); }

int Round(double value) { return static_cast<int>(value + 0.5); }

int Ceiling(double value) {
    int whole = static_cast<int>(value);
    return value > whole ? whole + 1 : whole;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

bool HasLineBreak(const char* text) {
    for (; *text != 0; ++text)
        if (IsLineBreak(*text)) return true;
    return false;
}

// The longest line of a text between its own line breaks.
int LongestLine(const char* text) {
    int longest = 0, current = 0;
    for (; *text != 0; ++text) {
        if (IsLineBreak(*text)) {
            current = 0;
            continue;
        }
        if (++current > longest) longest = current;
    }
    return longest;
}

bool IsLabel(const ControlState& control) {
    switch (control.source.kind) {
        case ControlKind::TextLeft:
        case ControlKind::TextRight:
        case ControlKind::TextCenter:
            return control.source.height <= kLabelUnits;
        default:
            return false;
    }
}

bool IsEditable(ControlKind kind) { return kind == ControlKind::EditInput || kind == ControlKind::EditPassword; }

bool IsField(ControlKind kind) {
    switch (kind) {
        case ControlKind::EditLine:
        case ControlKind::EditValue:
        case ControlKind::EditValueCentered:
        case ControlKind::EditInput:
        case ControlKind::EditPassword:
            return true;
        default:
            return false;
    }
}

int MinimumWidth(const ControlState& control) {
    const char* text = control.source.text != nullptr ? control.source.text : "";
    switch (control.source.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            return TextLength(text) + 4;
        case ControlKind::AddressEntry:
            return kAddressWidth;
        case ControlKind::DropDown: {
            int longest = 4;
            for (int i = 0; i < control.entryCount; ++i)
                if (TextLength(control.entries[i]) > longest) longest = TextLength(control.entries[i]);
            return longest + 4;
        }
        case ControlKind::ProgressBar:
            return 10;
        case ControlKind::EditInput:
        case ControlKind::EditPassword:
            return 8;
        case ControlKind::EditValue:
        case ControlKind::EditValueCentered:
            return 4;
        default:
            if (IsLabel(control)) return TextLength(control.text);
            return 1;
    }
}

int RowsNeeded(const ControlState& control, int width) {
    if (!IsMultiLineText(control)) return 1;
    int lines = CountWrappedLines(control.text, width);
    return lines > 0 ? lines : 1;
}

void CountLinesAndScroll(ControlState* control) {
    if (!IsMultiLineText(*control)) return;
    control->wrapWidth = control->cell.width;
    control->lineCount = CountWrappedLines(control->text, control->wrapWidth);
    if (control->lineCount > control->cell.height && control->cell.width > 1) {
        // One column goes to the scroll marks; the text wraps narrower.
        control->wrapWidth = control->cell.width - 1;
        control->lineCount = CountWrappedLines(control->text, control->wrapWidth);
    }
    int last = control->lineCount - control->cell.height;
    if (control->scroll > last) control->scroll = last;
    if (control->scroll < 0) control->scroll = 0;
}

bool Scrolls(const ControlState& control) {
    return IsMultiLineText(control) && control.lineCount > control.cell.height;
}

struct Band {
    int top, bottom;  // dialog units
    int first, count; // into the sorted control order
    int rows;
    int tallest;      // the multi-line control that sets the rows, -1 none
};

void LayOutMessageBox(DialogModel* dialog, int screenColumns, int screenRows) {
    ControlState& button = dialog->controls[0];
    ControlState& text = dialog->controls[1];
    int widest = screenColumns - 2;
    int inner = LongestLine(text.text) + 4;
    if (TextLength(dialog->title) + 6 > inner) inner = TextLength(dialog->title) + 6;
    if (inner < kMessageBoxButtonWidth + 4) inner = kMessageBoxButtonWidth + 4;
    if (inner > widest) inner = widest;
    if (inner < 5) inner = 5;
    text.cell = CellRect{1, 2, inner - 4, 1};
    int lines = RowsNeeded(text, text.cell.width);
    int available = screenRows - 3;
    // Margins above the text and below the button, a blank row between.
    int fixed = 1 + 1 + 1 + 1;
    if (lines + fixed > available) lines = available - fixed > 1 ? available - fixed : 1;
    text.cell.height = lines;
    button.cell = CellRect{1 + lines + 1, (inner - kMessageBoxButtonWidth) / 2, kMessageBoxButtonWidth, 1};
    CountLinesAndScroll(&text);
    dialog->width = inner + 2;
    dialog->height = lines + fixed + 2;
}

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

void KeepCursorVisible(ControlState* control) {
    int visible = control->cell.width - 2;
    if (visible < 1) visible = 1;
    if (control->cursor < control->scroll) control->scroll = control->cursor;
    if (control->cursor > control->scroll + visible - 1) control->scroll = control->cursor - visible + 1;
    if (control->scroll < 0) control->scroll = 0;
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

// ---- drawing helpers -----------------------------------------------------

void Put(ScreenGrid* grid, int row, int column, char character, unsigned char attributes) {
    if (row < 0 || row >= grid->rows || column < 0 || column >= grid->columns) return;
    grid->cells[row][column] = Cell{character, attributes};
}

void PutText(ScreenGrid* grid, int row, int column, const char* text, int length, unsigned char attributes) {
    for (int i = 0; i < length; ++i) Put(grid, row, column + i, text[i], attributes);
}

void Fill(ScreenGrid* grid, int row, int column, int width, char character, unsigned char attributes) {
    for (int i = 0; i < width; ++i) Put(grid, row, column + i, character, attributes);
}

void PutAligned(ScreenGrid* grid, int row, int column, int width, const char* text, int length,
                ControlKind kind, unsigned char attributes) {
    if (length > width) length = width;
    int offset = 0;
    if (kind == ControlKind::TextRight) offset = width - length;
    if (kind == ControlKind::TextCenter || kind == ControlKind::EditValueCentered) offset = (width - length) / 2;
    PutText(grid, row, column + offset, text, length, attributes);
}

void DrawMultiLine(const ControlState& control, int top, int left, bool focused, ScreenGrid* grid) {
    WrapCursor wrap;
    StartWrap(&wrap, control.text, control.wrapWidth > 0 ? control.wrapWidth : control.cell.width);
    int start = 0, length = 0, line = 0;
    while (NextWrappedLine(&wrap, &start, &length)) {
        int shown = line - control.scroll;
        ++line;
        if (shown < 0) continue;
        if (shown >= control.cell.height) break;
        PutAligned(grid, top + shown, left, control.wrapWidth, control.text + start, length, control.source.kind,
                   kCellPlain);
    }
    if (!Scrolls(control)) return;
    int column = left + control.cell.width - 1;
    int height = control.cell.height;
    unsigned char marks = focused ? kCellReverse : kCellPlain;
    for (int row = 0; row < height; ++row) Put(grid, top + row, column, ':', marks);
    int last = control.lineCount - height;
    int thumb = last > 0 ? control.scroll * (height - 1) / last : 0;
    Put(grid, top + thumb, column, '#', marks);
    if (control.scroll > 0) Put(grid, top, column, '^', marks);
    if (control.scroll < last) Put(grid, top + height - 1, column, 'v', marks);
}

void DrawButton(const ControlState& control, bool isDefault, bool focused, int top, int left, ScreenGrid* grid) {
    int width = control.cell.width;
    unsigned char attributes = (focused ? kCellReverse : kCellPlain) | (isDefault ? kCellBold : kCellPlain);
    Fill(grid, top, left, width, ' ', attributes);
    Put(grid, top, left, '[', attributes);
    Put(grid, top, left + width - 1, ']', attributes);
    if (isDefault) {
        Put(grid, top, left + 1, '>', attributes);
        Put(grid, top, left + width - 2, '<', attributes);
    }
    const char* label = control.source.text;
    int inner = width - 4;
    int length = TextLength(label);
    if (length > inner) length = inner > 0 ? inner : 0;
    PutText(grid, top, left + 2 + (inner - length) / 2, label, length, attributes);
}

void DrawField(const ControlState& control, bool focused, int top, int left, ScreenGrid* grid) {
    ControlKind kind = control.source.kind;
    int width = control.cell.width;
    int length = TextLength(control.text);
    if (kind == ControlKind::EditLine) {
        int start = control.scroll < length ? control.scroll : 0;
        PutText(grid, top, left, control.text + start, length - start < width ? length - start : width,
                focused ? kCellUnderline : kCellPlain);
        return;
    }
    bool editable = IsEditable(kind);
    unsigned char attributes = editable ? kCellUnderline : kCellPlain;
    int inner = width - 2;
    Put(grid, top, left, '[', kCellPlain);
    Put(grid, top, left + width - 1, ']', kCellPlain);
    Fill(grid, top, left + 1, inner, editable ? '_' : ' ', attributes);
    int start = control.scroll < length ? control.scroll : 0;
    int shown = length - start < inner ? length - start : inner;
    if (kind == ControlKind::EditPassword) {
        Fill(grid, top, left + 1, shown, '*', attributes);
    } else if (kind == ControlKind::EditValueCentered && start == 0) {
        PutAligned(grid, top, left + 1, inner, control.text, shown, kind, attributes);
    } else {
        PutText(grid, top, left + 1, control.text + start, shown, attributes);
    }
    (void)focused;
}

void DrawAddress(const ControlState& control, int top, int left, ScreenGrid* grid) {
    Put(grid, top, left, '[', kCellPlain);
    int column = left + 1;
    for (int i = 0; i < kAddressFieldCount; ++i) {
        Fill(grid, top, column, kAddressFieldSize - 1, '_', kCellUnderline);
        PutText(grid, top, column, control.fields[i], TextLength(control.fields[i]), kCellUnderline);
        column += kAddressFieldSize - 1;
        Put(grid, top, column++, i < kAddressFieldCount - 1 ? '.' : ']', kCellPlain);
    }
}

void DrawDropDown(const ControlState& control, bool focused, int top, int left, ScreenGrid* grid) {
    int width = control.cell.width;
    unsigned char attributes = focused ? kCellReverse : kCellPlain;
    Put(grid, top, left, '[', kCellPlain);
    Fill(grid, top, left + 1, width - 4, ' ', attributes);
    if (control.selection >= 0 && control.selection < control.entryCount) {
        const char* entry = control.entries[control.selection];
        int length = TextLength(entry);
        PutText(grid, top, left + 1, entry, length < width - 4 ? length : width - 4, attributes);
    }
    PutText(grid, top, left + width - 3, " v]", 3, kCellPlain);
}

// The open list of a drop-down, over whatever lies below it.
void DrawOpenList(const ControlState& control, int top, int left, ScreenGrid* grid) {
    int width = control.cell.width;
    int row = top + 1;
    Put(grid, row, left, kLineTopLeft, kCellLine);
    Fill(grid, row, left + 1, width - 2, kLineHorizontal, kCellLine);
    Put(grid, row, left + width - 1, kLineTopRight, kCellLine);
    for (int i = 0; i < control.entryCount; ++i) {
        ++row;
        bool highlighted = i == control.listHighlight;
        unsigned char attributes = highlighted ? kCellReverse : kCellPlain;
        Put(grid, row, left, kLineVertical, kCellLine);
        Fill(grid, row, left + 1, width - 2, ' ', attributes);
        Put(grid, row, left + 1, highlighted ? '>' : ' ', attributes);
        int length = TextLength(control.entries[i]);
        PutText(grid, row, left + 2, control.entries[i], length < width - 3 ? length : width - 3, attributes);
        Put(grid, row, left + width - 1, kLineVertical, kCellLine);
    }
    ++row;
    Put(grid, row, left, kLineBottomLeft, kCellLine);
    Fill(grid, row, left + 1, width - 2, kLineHorizontal, kCellLine);
    Put(grid, row, left + width - 1, kLineBottomRight, kCellLine);
}

void DrawProgress(const ControlState& control, int top, int left, ScreenGrid* grid) {
    int width = control.cell.width;
    int inner = width - 2;
    unsigned position = control.position < control.maximum ? control.position : control.maximum;
    int filled = control.maximum > 0
                     ? static_cast<int>(static_cast<unsigned long long>(inner) * position / control.maximum)
                     : 0;
    Put(grid, top, left, '[', kCellPlain);
    Fill(grid, top, left + 1, filled, '#', kCellReverse);
    Fill(grid, top, left + 1 + filled, inner - filled, '.', kCellPlain);
    Put(grid, top, left + width - 1, ']', kCellPlain);
}

void AppendHelp(char* buffer, std::size_t capacity, const char* part) {
    if (buffer[0] != 0) AppendText(buffer, capacity, "   ");
    AppendText(buffer, capacity, "%s", part);
}

}  // namespace

// ---- building ------------------------------------------------------------

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

// ---- control contents ----------------------------------------------------

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

bool IsMultiLineText(const ControlState& control) {
    switch (control.source.kind) {
        case ControlKind::EditNote:
        case ControlKind::EditNoteNoTab:
            return true;
        case ControlKind::TextLeft:
        case ControlKind::TextRight:
        case ControlKind::TextCenter:
            return control.source.height > kLabelUnits;
        default:
            return false;
    }
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

// ---- layout --------------------------------------------------------------

void StartWrap(WrapCursor* cursor, const char* text, int width) {
    cursor->text = text != nullptr ? text : "";
    cursor->width = width > 0 ? width : 1;
    cursor->position = 0;
    cursor->done = cursor->text[0] == 0;
}

bool NextWrappedLine(WrapCursor* cursor, int* start, int* length) {
    if (cursor->done) return false;
    const char* text = cursor->text;
    int p = cursor->position;
    int end = p;
    while (text[end] != 0 && !IsLineBreak(text[end])) ++end;
    *start = p;
    if (end - p <= cursor->width) {
        *length = end - p;
        // Past the line break: \r\n, \n or \r. A break at the very end of
        // the text starts no further line.
        int next = end;
        if (text[next] == '\r') ++next;
        if (text[next] == '\n') ++next;
        cursor->position = next;
        if (text[next] == 0) cursor->done = true;
        return true;
    }
    int limit = p + cursor->width;
    int breakAt = -1;
    for (int i = limit; i > p; --i) {
        if (text[i] == ' ') {
            breakAt = i;
            break;
        }
    }
    int next;
    if (breakAt > p) {
        int lineEnd = breakAt;
        while (lineEnd > p && text[lineEnd - 1] == ' ') --lineEnd;
        *length = lineEnd - p;
        next = breakAt;
        while (text[next] == ' ') ++next;
    } else {
        *length = cursor->width;
        next = limit;
    }
    cursor->position = next;
    if (text[next] == 0) cursor->done = true;
    return true;
}

int CountWrappedLines(const char* text, int width) {
    WrapCursor cursor;
    StartWrap(&cursor, text, width);
    int start = 0, length = 0, count = 0;
    while (NextWrappedLine(&cursor, &start, &length)) ++count;
    return count;
}

void LayOutDialog(DialogModel* dialog, int screenColumns, int screenRows) {
    if (dialog->templateId == 0) {
        LayOutMessageBox(dialog, screenColumns, screenRows);
        return;
    }
    const DialogTemplate* source = FindDialogTemplate(dialog->templateId);
    int unitsWide = source != nullptr ? source->width : 200;
    int unitsHigh = source != nullptr ? source->height : 100;

    // Horizontal scale: wide enough for the texts' own lines, the labels and
    // the button captions; narrow enough for the screen.
    double scale = kBaseScale;
    for (int i = 0; i < dialog->controlCount; ++i) {
        const ControlState& control = dialog->controls[i];
        int units = control.source.width > 0 ? control.source.width : 1;
        double need = 0;
        // A text that scrolls gives one column to its scroll marks.
        if (IsMultiLineText(control) && HasLineBreak(control.text))
            need = (LongestLine(control.text) + 1) / double(units);
        if (IsLabel(control)) need = TextLength(control.text) / double(units);
        if (IsPushButton(control.source.kind)) need = (TextLength(control.source.text) + 4) / double(units);
        if (need > scale) scale = need;
    }
    double widest = (screenColumns - 4) / double(unitsWide);
    if (scale > widest) scale = widest;
    int content = Ceiling(unitsWide * scale);
    int inner = content;
    int titleNeed = TextLength(dialog->title) + 6;
    if (titleNeed > inner) inner = titleNeed;
    if (inner > screenColumns - 2) inner = screenColumns - 2;
    if (inner < content) inner = content;
    int offset = (inner - content) / 2;

    // Columns and widths.
    for (int i = 0; i < dialog->controlCount; ++i) {
        ControlState& control = dialog->controls[i];
        int column = offset + Round(control.source.x * scale);
        int width = Round(control.source.width * scale);
        int minimum = MinimumWidth(control);
        if (width < minimum) width = minimum;
        if (width > inner) width = inner;
        if (column + width > inner) column = inner - width;
        if (column < 0) column = 0;
        control.cell = CellRect{0, column, width, 1};
    }

    // Bands: controls whose vertical extents overlap share rows. Icons are
    // not drawn in a terminal and take no room.
    int order[kMaxDialogControls];
    int ordered = 0;
    for (int i = 0; i < dialog->controlCount; ++i) {
        if (dialog->controls[i].source.kind == ControlKind::Icon) continue;
        int j = ordered++;
        while (j > 0 && dialog->controls[order[j - 1]].source.y > dialog->controls[i].source.y) {
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    Band bands[kMaxDialogControls];
    int bandCount = 0;
    for (int k = 0; k < ordered; ++k) {
        const ControlState& control = dialog->controls[order[k]];
        int top = control.source.y;
        int height = control.source.kind == ControlKind::DropDown ? kClosedDropDownUnits : control.source.height;
        int bottom = top + height;
        if (bandCount > 0 && top < bands[bandCount - 1].bottom) {
            Band& band = bands[bandCount - 1];
            if (bottom > band.bottom) band.bottom = bottom;
            ++band.count;
        } else {
            bands[bandCount++] = Band{top, bottom, k, 1, 1, -1};
        }
    }
    for (int b = 0; b < bandCount; ++b) {
        // A label keeps one blank column before the control beside it.
        for (int k = bands[b].first; k < bands[b].first + bands[b].count; ++k) {
            const ControlState& label = dialog->controls[order[k]];
            if (!IsLabel(label)) continue;
            for (int m = bands[b].first; m < bands[b].first + bands[b].count; ++m) {
                ControlState& other = dialog->controls[order[m]];
                int labelEnd = label.cell.column + label.cell.width;
                if (m == k || other.cell.column < label.cell.column || other.cell.column > labelEnd) continue;
                other.cell.column = labelEnd + 1;
                if (other.cell.column + other.cell.width > inner) other.cell.width = inner - other.cell.column;
                if (other.cell.width < 1) other.cell.width = 1;
            }
        }
        Band& band = bands[b];
        band.rows = 1;
        for (int k = band.first; k < band.first + band.count; ++k) {
            const ControlState& control = dialog->controls[order[k]];
            int rows = RowsNeeded(control, control.cell.width);
            if (rows > band.rows) band.rows = rows;
            if (IsMultiLineText(control) &&
                (band.tallest < 0 || rows > RowsNeeded(dialog->controls[band.tallest], dialog->controls[band.tallest].cell.width)))
                band.tallest = order[k];
        }
    }

    // Blank rows: gaps[0] above the first band, gaps[bandCount] below the
    // last (margins, given up first), the others between bands.
    int gaps[kMaxDialogControls + 1];
    int total = 0;
    for (int b = 0; b <= bandCount; ++b) {
        int above = b == 0 ? 0 : bands[b - 1].bottom;
        int below = b == bandCount ? unitsHigh : bands[b].top;
        gaps[b] = bandCount > 0 && below - above >= kBandGapUnits ? 1 : 0;
        total += gaps[b];
    }
    for (int b = 0; b < bandCount; ++b) total += bands[b].rows;
    int available = screenRows - 3;  // the frame and the key help row
    if (total > available && bandCount > 0 && gaps[bandCount] > 0) gaps[bandCount] = 0, --total;
    if (total > available && gaps[0] > 0) gaps[0] = 0, --total;
    for (int floor = kMinimumScrollRows; floor >= 1 && total > available; floor -= kMinimumScrollRows - 1) {
        while (total > available) {
            int tallest = -1;
            for (int b = 0; b < bandCount; ++b)
                if (bands[b].tallest >= 0 && bands[b].rows > floor &&
                    (tallest < 0 || bands[b].rows > bands[tallest].rows))
                    tallest = b;
            if (tallest < 0) break;
            --bands[tallest].rows;
            --total;
        }
        for (int b = bandCount - 1; b > 0 && total > available; --b)
            if (gaps[b] > 0) gaps[b] = 0, --total;
    }

    int row = gaps[0];
    for (int b = 0; b < bandCount; ++b) {
        if (b > 0) row += gaps[b];
        for (int k = bands[b].first; k < bands[b].first + bands[b].count; ++k) {
            ControlState& control = dialog->controls[order[k]];
            control.cell.row = row;
            control.cell.height = IsMultiLineText(control) ? bands[b].rows : 1;
            CountLinesAndScroll(&control);
        }
        row += bands[b].rows;
    }
    row += gaps[bandCount];
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].source.kind == ControlKind::Icon) dialog->controls[i].cell = CellRect{0, 0, 0, 0};
    dialog->width = inner + 2;
    dialog->height = row + 2;
}

// ---- keys ----------------------------------------------------------------

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

// ---- drawing -------------------------------------------------------------

void ClearGrid(ScreenGrid* grid, int columns, int rows) {
    grid->columns = columns < kMaxScreenColumns ? columns : kMaxScreenColumns;
    grid->rows = rows < kMaxScreenRows ? rows : kMaxScreenRows;
    if (grid->columns < 0) grid->columns = 0;
    if (grid->rows < 0) grid->rows = 0;
    for (int r = 0; r < grid->rows; ++r)
        for (int c = 0; c < grid->columns; ++c) grid->cells[r][c] = Cell{' ', kCellPlain};
    grid->cursorVisible = false;
    grid->cursorRow = grid->cursorColumn = 0;
}

void DrawDialog(const DialogModel& dialog, bool active, ScreenGrid* grid) {
    int top = dialog.top, left = dialog.left;
    int width = dialog.width, height = dialog.height;
    if (width < 2 || height < 2) return;
    for (int r = 0; r < height; ++r) Fill(grid, top + r, left, width, ' ', kCellPlain);
    // The frame, with the title in the top edge.
    Put(grid, top, left, kLineTopLeft, kCellLine);
    Fill(grid, top, left + 1, width - 2, kLineHorizontal, kCellLine);
    Put(grid, top, left + width - 1, kLineTopRight, kCellLine);
    for (int r = 1; r < height - 1; ++r) {
        Put(grid, top + r, left, kLineVertical, kCellLine);
        Put(grid, top + r, left + width - 1, kLineVertical, kCellLine);
    }
    Put(grid, top + height - 1, left, kLineBottomLeft, kCellLine);
    Fill(grid, top + height - 1, left + 1, width - 2, kLineHorizontal, kCellLine);
    Put(grid, top + height - 1, left + width - 1, kLineBottomRight, kCellLine);
    int titleRoom = width - 6;
    int titleLength = TextLength(dialog.title);
    if (titleLength > titleRoom) titleLength = titleRoom > 0 ? titleRoom : 0;
    if (titleLength > 0) {
        Put(grid, top, left + 2, ' ', kCellPlain);
        PutText(grid, top, left + 3, dialog.title, titleLength, active ? kCellBold : kCellPlain);
        Put(grid, top, left + 3 + titleLength, ' ', kCellPlain);
    }

    int defaultButton = EffectiveDefaultButton(dialog);
    int openList = -1;
    for (int i = 0; i < dialog.controlCount; ++i) {
        const ControlState& control = dialog.controls[i];
        int row = top + 1 + control.cell.row;
        int column = left + 1 + control.cell.column;
        bool focused = active && i == dialog.focus;
        ControlKind kind = control.source.kind;
        if (kind == ControlKind::Icon) continue;
        if (IsPushButton(kind)) {
            DrawButton(control, dialog.modal && i == defaultButton, focused, row, column, grid);
        } else if (IsMultiLineText(control)) {
            DrawMultiLine(control, row, column, focused, grid);
        } else if (IsLabel(control)) {
            PutAligned(grid, row, column, control.cell.width, control.text, TextLength(control.text), kind,
                       kCellPlain);
        } else if (IsField(kind)) {
            DrawField(control, focused, row, column, grid);
        } else if (kind == ControlKind::AddressEntry) {
            DrawAddress(control, row, column, grid);
        } else if (kind == ControlKind::DropDown) {
            DrawDropDown(control, focused, row, column, grid);
            if (control.listOpen) openList = i;
        } else if (kind == ControlKind::ProgressBar) {
            DrawProgress(control, row, column, grid);
        }
        if (!focused) continue;
        if (IsEditable(kind)) {
            grid->cursorVisible = true;
            grid->cursorRow = row;
            grid->cursorColumn = column + 1 + control.cursor - control.scroll;
        } else if (kind == ControlKind::AddressEntry) {
            int length = TextLength(control.fields[control.field]);
            grid->cursorVisible = true;
            grid->cursorRow = row;
            grid->cursorColumn = column + 1 + control.field * kAddressFieldSize +
                                 (length < kAddressFieldSize - 1 ? length : kAddressFieldSize - 2);
        }
    }
    if (openList >= 0) {
        const ControlState& control = dialog.controls[openList];
        DrawOpenList(control, top + 1 + control.cell.row, left + 1 + control.cell.column, grid);
    }
}

void DrawKeyHelp(const DialogModel& dialog, ScreenGrid* grid) {
    char help[kMaxScreenColumns + 1];
    help[0] = 0;
    const ControlState* focused = dialog.focus >= 0 ? &dialog.controls[dialog.focus] : nullptr;
    int tabStops = 0;
    for (int i = 0; i < dialog.controlCount; ++i)
        if (IsTabStop(dialog.controls[i].source.kind)) ++tabStops;
    if (focused != nullptr && focused->listOpen) {
        AppendHelp(help, sizeof help, "Up/Down: choose   Enter: take   Esc: close list");
    } else {
        if (tabStops > 1) AppendHelp(help, sizeof help, "Tab/Shift-Tab: move");
        if (focused != nullptr) {
            ControlKind kind = focused->source.kind;
            if (kind == ControlKind::AddressEntry) AppendHelp(help, sizeof help, "digits and '.': address");
            if (kind == ControlKind::DropDown) AppendHelp(help, sizeof help, "Up/Down: choose   Space: list");
            if (Scrolls(*focused)) AppendHelp(help, sizeof help, "Up/Down/PgUp/PgDn: scroll");
        }
        bool otherScrolls = false;
        for (int i = 0; i < dialog.controlCount; ++i)
            if (Scrolls(dialog.controls[i]) && focused != &dialog.controls[i]) otherScrolls = true;
        if (otherScrolls) AppendHelp(help, sizeof help, "PgUp/PgDn: scroll text");
        int button = EffectiveDefaultButton(dialog);
        if (dialog.modal && button >= 0) {
            char part[80];
            FormatText(part, sizeof part, "Enter: %s", dialog.controls[button].source.text);
            AppendHelp(help, sizeof help, part);
        }
        int cancel = FindControlIndex(dialog, 2);
        if (cancel >= 0 && dialog.templateId != 0) {
            char part[80];
            FormatText(part, sizeof part, "%s: %s", dialog.modal ? "Esc" : "Esc or Ctrl-C",
                       dialog.controls[cancel].source.text);
            AppendHelp(help, sizeof help, part);
        }
    }
    int row = grid->rows - 1;
    if (row < 0) return;
    int length = TextLength(help);
    if (length > grid->columns - 1) length = grid->columns - 1;
    PutText(grid, row, 1, help, length, kCellPlain);
}

void GridRowText(const ScreenGrid& grid, int row, char* buffer, int capacity) {
    if (capacity <= 0) return;
    int length = 0;
    if (row >= 0 && row < grid.rows) {
        for (int c = 0; c < grid.columns && length < capacity - 1; ++c) {
            Cell cell = grid.cells[row][c];
            char shown = cell.character;
            if (cell.attributes & kCellLine) {
                shown = cell.character == kLineHorizontal ? '-' : cell.character == kLineVertical ? '|' : '+';
            }
            buffer[length++] = shown;
        }
    }
    while (length > 0 && buffer[length - 1] == ' ') --length;
    buffer[length] = 0;
}
