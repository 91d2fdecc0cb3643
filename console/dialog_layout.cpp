// Laying dialogs out in character cells: the message box, and the template
// dialogs in steps (scale, columns, bands of rows, blank rows, fitting the
// screen, rows given out).
#include "console/dialog_layout.h"

#include "console/control_kinds.h"
#include "console/text_wrap.h"

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
// A text area shrunk to make a dialog fit keeps at least this many rows
// before the blank rows between bands are given up.
constexpr int kMinimumScrollRows = 3;
constexpr int kAddressWidth = 17;  // [___.___.___.___]
constexpr int kMessageBoxButtonWidth = 10;

int Round(double value) { return static_cast<int>(value + 0.5); }

int Ceiling(double value) {
    int whole = static_cast<int>(value);
    return value > whole ? whole + 1 : whole;
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

// ---- template dialogs ----------------------------------------------------

// The dialog's width inside the frame, and where the controls' columns start in it.
struct Width {
    int inner, offset;
};

// Controls whose vertical extents overlap share a band of rows.
struct Band {
    int top, bottom;  // dialog units
    int first, count; // into Rows::order
    int rows;
    int tallest;      // the multi-line control that sets the rows, -1 none
};

// The rows of one layout: the controls by their top edge (icons are not
// drawn in a terminal and take no room), their bands, and the blank rows:
// gaps[0] above the first band, gaps[bandCount] below the last (margins,
// given up first), the others between bands.
struct Rows {
    int order[kMaxDialogControls];
    int ordered;
    Band bands[kMaxDialogControls];
    int bandCount;
    int gaps[kMaxDialogControls + 1];
    int total;  // bands and gaps
};

// Columns per dialog unit: wide enough for the texts' own lines, the labels
// and the button captions; narrow enough for the screen.
double ChooseScale(const DialogModel& dialog, int unitsWide, int screenColumns) {
    double scale = kBaseScale;
    for (int i = 0; i < dialog.controlCount; ++i) {
        const ControlState& control = dialog.controls[i];
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
    return scale > widest ? widest : scale;
}

// Room for the title too, the content centred when the title is wider.
Width ChooseWidth(const DialogModel& dialog, double scale, int unitsWide, int screenColumns) {
    int content = Ceiling(unitsWide * scale);
    int inner = content;
    int titleNeed = TextLength(dialog.title) + 6;
    if (titleNeed > inner) inner = titleNeed;
    if (inner > screenColumns - 2) inner = screenColumns - 2;
    if (inner < content) inner = content;
    return Width{inner, (inner - content) / 2};
}

void PlaceColumns(DialogModel* dialog, double scale, Width width) {
    for (int i = 0; i < dialog->controlCount; ++i) {
        ControlState& control = dialog->controls[i];
        int column = width.offset + Round(control.source.x * scale);
        int cells = Round(control.source.width * scale);
        int minimum = MinimumWidth(control);
        if (cells < minimum) cells = minimum;
        if (cells > width.inner) cells = width.inner;
        if (column + cells > width.inner) column = width.inner - cells;
        if (column < 0) column = 0;
        control.cell = CellRect{0, column, cells, 1};
    }
}

void FormBands(const DialogModel& dialog, Rows* rows) {
    rows->ordered = 0;
    for (int i = 0; i < dialog.controlCount; ++i) {
        if (dialog.controls[i].source.kind == ControlKind::Icon) continue;
        int j = rows->ordered++;
        while (j > 0 && dialog.controls[rows->order[j - 1]].source.y > dialog.controls[i].source.y) {
            rows->order[j] = rows->order[j - 1];
            --j;
        }
        rows->order[j] = i;
    }
    rows->bandCount = 0;
    for (int k = 0; k < rows->ordered; ++k) {
        const ControlState& control = dialog.controls[rows->order[k]];
        int top = control.source.y;
        int height = control.source.kind == ControlKind::DropDown ? kClosedDropDownUnits : control.source.height;
        int bottom = top + height;
        if (rows->bandCount > 0 && top < rows->bands[rows->bandCount - 1].bottom) {
            Band& band = rows->bands[rows->bandCount - 1];
            if (bottom > band.bottom) band.bottom = bottom;
            ++band.count;
        } else {
            rows->bands[rows->bandCount++] = Band{top, bottom, k, 1, 1, -1};
        }
    }
}

// A label keeps one blank column before the control beside it.
void KeepLabelsClear(DialogModel* dialog, const Rows& rows, const Band& band, int inner) {
    for (int k = band.first; k < band.first + band.count; ++k) {
        const ControlState& label = dialog->controls[rows.order[k]];
        if (!IsLabel(label)) continue;
        for (int m = band.first; m < band.first + band.count; ++m) {
            ControlState& other = dialog->controls[rows.order[m]];
            int labelEnd = label.cell.column + label.cell.width;
            if (m == k || other.cell.column < label.cell.column || other.cell.column > labelEnd) continue;
            other.cell.column = labelEnd + 1;
            if (other.cell.column + other.cell.width > inner) other.cell.width = inner - other.cell.column;
            if (other.cell.width < 1) other.cell.width = 1;
        }
    }
}

// A band is as high as its tallest text needs.
void SizeBand(const DialogModel& dialog, const Rows& rows, Band* band) {
    band->rows = 1;
    for (int k = band->first; k < band->first + band->count; ++k) {
        const ControlState& control = dialog.controls[rows.order[k]];
        int needed = RowsNeeded(control, control.cell.width);
        if (needed > band->rows) band->rows = needed;
        if (IsMultiLineText(control) &&
            (band->tallest < 0 ||
             needed > RowsNeeded(dialog.controls[band->tallest], dialog.controls[band->tallest].cell.width)))
            band->tallest = rows.order[k];
    }
}

void ChooseGaps(Rows* rows, int unitsHigh) {
    rows->total = 0;
    for (int b = 0; b <= rows->bandCount; ++b) {
        int above = b == 0 ? 0 : rows->bands[b - 1].bottom;
        int below = b == rows->bandCount ? unitsHigh : rows->bands[b].top;
        rows->gaps[b] = rows->bandCount > 0 && below - above >= kBandGapUnits ? 1 : 0;
        rows->total += rows->gaps[b];
    }
    for (int b = 0; b < rows->bandCount; ++b) rows->total += rows->bands[b].rows;
}

void DropGap(Rows* rows, int gap) {
    rows->gaps[gap] = 0;
    --rows->total;
}

// Takes rows from the tallest text areas, down to `floor` rows each.
void ShrinkTextAreas(Rows* rows, int available, int floor) {
    while (rows->total > available) {
        int tallest = -1;
        for (int b = 0; b < rows->bandCount; ++b)
            if (rows->bands[b].tallest >= 0 && rows->bands[b].rows > floor &&
                (tallest < 0 || rows->bands[b].rows > rows->bands[tallest].rows))
                tallest = b;
        if (tallest < 0) return;
        --rows->bands[tallest].rows;
        --rows->total;
    }
}

// Fits the rows to the screen: the margins go first, then text areas
// shrink to a few rows, then the blank rows between bands go from the
// bottom up, then text areas shrink to one row.
void FitScreen(Rows* rows, int available) {
    int last = rows->bandCount;
    if (rows->total > available && rows->bandCount > 0 && rows->gaps[last] > 0) DropGap(rows, last);
    if (rows->total > available && rows->gaps[0] > 0) DropGap(rows, 0);
    for (int floor = kMinimumScrollRows; floor >= 1 && rows->total > available; floor -= kMinimumScrollRows - 1) {
        ShrinkTextAreas(rows, available, floor);
        for (int b = rows->bandCount - 1; b > 0 && rows->total > available; --b)
            if (rows->gaps[b] > 0) DropGap(rows, b);
    }
}

// Gives each control its row and height. Returns the rows used.
int AssignRows(DialogModel* dialog, const Rows& rows) {
    int row = rows.gaps[0];
    for (int b = 0; b < rows.bandCount; ++b) {
        const Band& band = rows.bands[b];
        if (b > 0) row += rows.gaps[b];
        for (int k = band.first; k < band.first + band.count; ++k) {
            ControlState& control = dialog->controls[rows.order[k]];
            control.cell.row = row;
            control.cell.height = IsMultiLineText(control) ? band.rows : 1;
            CountLinesAndScroll(&control);
        }
        row += band.rows;
    }
    row += rows.gaps[rows.bandCount];
    for (int i = 0; i < dialog->controlCount; ++i)
        if (dialog->controls[i].source.kind == ControlKind::Icon) dialog->controls[i].cell = CellRect{0, 0, 0, 0};
    return row;
}

}  // namespace

void LayOutDialog(DialogModel* dialog, int screenColumns, int screenRows) {
    if (dialog->templateId == 0) {
        LayOutMessageBox(dialog, screenColumns, screenRows);
        return;
    }
    const DialogTemplate* source = FindDialogTemplate(dialog->templateId);
    int unitsWide = source != nullptr ? source->width : 200;
    int unitsHigh = source != nullptr ? source->height : 100;

    double scale = ChooseScale(*dialog, unitsWide, screenColumns);
    Width width = ChooseWidth(*dialog, scale, unitsWide, screenColumns);
    PlaceColumns(dialog, scale, width);
    Rows rows;
    FormBands(*dialog, &rows);
    for (int b = 0; b < rows.bandCount; ++b) {
        KeepLabelsClear(dialog, rows, rows.bands[b], width.inner);
        SizeBand(*dialog, rows, &rows.bands[b]);
    }
    ChooseGaps(&rows, unitsHigh);
    FitScreen(&rows, screenRows - 3);  // the frame and the key help row
    int used = AssignRows(dialog, rows);
    dialog->width = width.inner + 2;
    dialog->height = used + 2;
}
