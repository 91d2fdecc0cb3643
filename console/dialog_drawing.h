// Drawing dialogs into a grid of character cells, which the full-screen
// mode puts on the terminal and the tests read back as text.
#pragma once

#include "common/shown_text.h"
#include "console/dialog_model.h"

constexpr int kMaxScreenColumns = 400;   // larger terminals are drawn in their top-left part
constexpr int kMaxScreenRows = 200;

// A cell of the screen picture. Frame characters are kept as their own
// codes so that the terminal can draw them as lines.
enum CellAttribute : unsigned char {
    kCellPlain = 0,
    kCellBold = 1,
    kCellReverse = 2,
    kCellUnderline = 4,
    kCellLine = 8,  // character is a line-drawing code below
};
enum LineCode : char {
    kLineHorizontal = '-',
    kLineVertical = '|',
    kLineTopLeft = 'a',
    kLineTopRight = 'b',
    kLineBottomLeft = 'c',
    kLineBottomRight = 'd',
};

struct Cell {
    char character;
    unsigned char attributes;
};

struct ScreenGrid {
    int columns, rows;
    TerminalCharacterSet characterSet;  // the terminal's: its controls are drawn as '?'
    Cell cells[kMaxScreenRows][kMaxScreenColumns];
    bool cursorVisible;
    int cursorRow, cursorColumn;
};

// An empty grid for a terminal of this size and character set.
void ClearGrid(ScreenGrid* grid, int columns, int rows, TerminalCharacterSet characterSet);
// Draws the dialog at its place; `active` marks the dialog that takes the
// keys (its title in bold, its focus shown, the cursor placed in it).
void DrawDialog(const DialogModel& dialog, bool active, ScreenGrid* grid);
// The key help of the bottom row for the active dialog.
void DrawKeyHelp(const DialogModel& dialog, ScreenGrid* grid);
// The row of the grid as text, frame characters shown as ASCII (for tests).
void GridRowText(const ScreenGrid& grid, int row, char* buffer, int capacity);
