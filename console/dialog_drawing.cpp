// Drawing dialogs into the cell grid: the frame and title, each kind of
// control, an open drop-down list over the rest, the cursor and the key help.
#include "console/dialog_drawing.h"

#include <cstring>

#include "common/text.h"
#include "console/control_kinds.h"
#include "console/dialog_keys.h"
#include "console/text_wrap.h"

namespace {

void Put(ScreenGrid* grid, int row, int column, char character, unsigned char attributes) {
    if (row < 0 || row >= grid->rows || column < 0 || column >= grid->columns) return;
    grid->cells[row][column] = Cell{character, attributes};
}

// Texts go into the cells as the terminal is to show them: a control would
// move its cursor or change its state, and curses would draw it as ^X,
// two cells for one.
void PutText(ScreenGrid* grid, int row, int column, const char* text, int length, unsigned char attributes) {
    int first = column < 0 ? -column : 0;  // the part on the grid
    int end = grid->columns - column < length ? grid->columns - column : length;
    if (end <= first) return;
    char shown[kMaxScreenColumns];
    int count = end - first;
    std::memcpy(shown, text + first, static_cast<std::size_t>(count));
    MakeShown(shown, static_cast<std::size_t>(count), grid->characterSet, ShownLayout::OneLine);
    for (int i = 0; i < count; ++i) Put(grid, row, column + first + i, shown[i], attributes);
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

void ClearGrid(ScreenGrid* grid, int columns, int rows, TerminalCharacterSet characterSet) {
    grid->characterSet = characterSet;
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
