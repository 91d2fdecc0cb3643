// The terminal front end's picture of one dialog: the state of its controls,
// how the template is laid out in character cells, what a key does to it and
// how it is drawn into a grid of cells. Nothing here touches the terminal, so
// all of it is tested without one; terminal_ui.cpp puts it on the screen.
#pragma once

#include "ui/dialog_templates.h"

constexpr int kMaxDialogControls = 20;
constexpr int kControlTextSize = 2048;   // the longest dialog text is under 1,000 characters
constexpr int kMaxListEntries = 16;
constexpr int kListEntrySize = 64;
constexpr int kDialogTitleSize = 256;
constexpr int kAddressFieldCount = 4;
constexpr int kAddressFieldSize = 4;     // three digits and the terminator
constexpr int kMaxScreenColumns = 400;   // larger terminals are drawn in their top-left part
constexpr int kMaxScreenRows = 200;

// Where something sits, in character cells.
struct CellRect {
    int row, column, width, height;
};

struct ControlState {
    ControlTemplate source;      // a copy: message boxes make up their own
    char text[kControlTextSize];
    int cursor;                  // editable fields: insertion point
    int scroll;                  // text areas: first line shown; fields: first character shown
    char entries[kMaxListEntries][kListEntrySize];
    int entryCount;
    int selection;               // drop-down list: -1 none
    bool listOpen;               // drop-down list shown open
    int listHighlight;
    unsigned maximum, position;  // progress bar
    char fields[kAddressFieldCount][kAddressFieldSize];
    int field;                   // address control: the field being typed
    bool rawText;                // address control: text holds an answer as typed (line mode)
    CellRect cell;               // inside the frame: row 0 is the first row under the title
    int lineCount;               // text areas: wrapped lines in all
    int wrapWidth;               // text areas: the width the lines are wrapped to
};

struct DialogModel {
    int templateId;              // 0 for a message box
    char title[kDialogTitleSize];
    ControlState controls[kMaxDialogControls];
    int controlCount;
    int focus;                   // index into controls, -1 none
    bool modal;                  // Enter presses the default button only in modal dialogs
    int width, height;           // the whole dialog, frame included
    int left, top;               // on the screen
};

// ---- building ------------------------------------------------------------

// A dialog from its template: controls copied with their initial texts (the
// address control starts empty), nothing focused, not laid out.
void InitializeDialogModel(DialogModel* dialog, const DialogTemplate& source, bool modal);
// A message box: the caption as title, the text, and an OK button.
void InitializeMessageBoxModel(DialogModel* dialog, const char* text, const char* caption);

int FindControlIndex(const DialogModel& dialog, int controlId);
// The first control of the tab order, or -1.
int FirstTabStop(const DialogModel& dialog);

// ---- control contents ----------------------------------------------------

void SetModelControlText(DialogModel* dialog, int index, const char* text);
// What the control holds as a text (the address control: its four fields
// joined by dots, empty when all are empty). Returns the length copied.
int GetModelControlText(const DialogModel& dialog, int index, char* buffer, int capacity);
bool IsPushButton(ControlKind kind);
bool IsMultiLineText(const ControlState& control);

// ---- layout --------------------------------------------------------------

// Lays the dialog out for a screen of the given size: widths scaled from
// dialog units so that the texts' own lines fit, rows stacked in bands of
// controls that share their vertical extent, long texts given the rows they
// need or, when the screen is too small, a scrolling area. Sets width and
// height; left and top are not touched.
void LayOutDialog(DialogModel* dialog, int screenColumns, int screenRows);

// Word wrapping of dialog texts: carriage return and line feed break lines;
// longer lines break at the last blank that fits, or hard when none does.
struct WrapCursor {
    const char* text;
    int width;
    int position;
    bool done;
};
void StartWrap(WrapCursor* cursor, const char* text, int width);
bool NextWrappedLine(WrapCursor* cursor, int* start, int* length);
int CountWrappedLines(const char* text, int width);

// ---- keys ----------------------------------------------------------------

enum class KeyCode {
    None,
    Character,   // a printable character
    Tab,
    BackTab,
    Enter,
    Escape,      // Esc, Ctrl-C and the close box
    Up,
    Down,
    Left,
    Right,
    Home,
    End,
    PageUp,
    PageDown,
    Backspace,
    Delete,
    OpenList,    // F4
};

struct KeyPress {
    KeyCode code;
    char character;
};

// Applies one key to the dialog. Returns the command it raises (the push
// button's identifier, 2 for Esc), or 0 when it only changed the dialog.
int HandleKey(DialogModel* dialog, KeyPress key);
// The push button Enter presses: the focused push button, else the default one; -1 none.
int EffectiveDefaultButton(const DialogModel& dialog);

// ---- drawing -------------------------------------------------------------

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
    Cell cells[kMaxScreenRows][kMaxScreenColumns];
    bool cursorVisible;
    int cursorRow, cursorColumn;
};

void ClearGrid(ScreenGrid* grid, int columns, int rows);
// Draws the dialog at its place; `active` marks the dialog that takes the
// keys (its title in bold, its focus shown, the cursor placed in it).
void DrawDialog(const DialogModel& dialog, bool active, ScreenGrid* grid);
// The key help of the bottom row for the active dialog.
void DrawKeyHelp(const DialogModel& dialog, ScreenGrid* grid);
// The row of the grid as text, frame characters shown as ASCII (for tests).
void GridRowText(const ScreenGrid& grid, int row, char* buffer, int capacity);
