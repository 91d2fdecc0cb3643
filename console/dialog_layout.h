// Laying a dialog out in character cells for a screen of a given size.
#pragma once

#include "console/dialog_model.h"

// Widths scaled from dialog units so that the texts' own lines fit, rows
// stacked in bands of controls that share their vertical extent, long texts
// given the rows they need or, when the screen is too small, a scrolling
// area. Sets width and height; left and top are not touched.
void LayOutDialog(DialogModel* dialog, int screenColumns, int screenRows);
