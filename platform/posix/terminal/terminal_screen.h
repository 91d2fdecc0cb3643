// The full-screen terminal through curses, below the dialogs: cell grids
// out, keys in.
#pragma once

#include "console/dialog_drawing.h"
#include "console/dialog_keys.h"

// Takes over the terminal on standard input and output. False when the
// terminal type is unknown; nothing is changed then.
bool StartScreen();
void GetScreenCells(int* columns, int* rows);
// Puts the grid on the terminal; curses' refresh sends only what changed.
void ShowGrid(const ScreenGrid& grid, bool redrawAll);

enum class ScreenInput { None, Key, Resized, Redraw };
// Reads one key if one is waiting; never blocks for long.
ScreenInput ReadScreenKey(KeyPress* key);
