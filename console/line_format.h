// The line mode's formatting: a dialog written as the lines a script reads
// (title, texts, labelled values), long texts wrapped, and the one-line
// progress report of a modeless dialog, each line as a terminal of the
// given character set is to show it (shown_text.h). Pure: lines go to a
// sink the caller gives, so the terminal glue writes them and the tests
// read them.
#pragma once

#include <cstddef>

#include "common/shown_text.h"
#include "console/dialog_model.h"

constexpr int kLineWidth = 78;  // long texts wrap here

// Receives one line of output (without its line end).
typedef void (*LineSink)(void* context, const char* text, int length);

// A text wrapped to kLineWidth, line by line.
void FormatWrapped(const char* text, TerminalCharacterSet characterSet, LineSink sink, void* context);
// The dialog's title, its texts and shown values, top to bottom; a modeless
// dialog with a Cancel button says how to cancel it.
void FormatDialogLines(const DialogModel& model, bool modeless, TerminalCharacterSet characterSet, LineSink sink,
                       void* context);
// "TITLE: NN%" for a dialog with a progress bar whose range is set, else the title.
void FormatProgressLine(const DialogModel& model, TerminalCharacterSet characterSet, char* line, std::size_t capacity);

// The label left of a control on the same row, -1 none.
int LabelOf(const DialogModel& model, int index);
// The controls top to bottom, left to right. Returns their count.
int VisualOrder(const DialogModel& model, int* order);
