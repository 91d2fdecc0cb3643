// The terminal front end's picture of one dialog: the state of its controls,
// built from a template, and their contents. Layout (dialog_layout.h), keys
// (dialog_keys.h) and drawing (dialog_drawing.h) work on this record; none
// of it touches the terminal, so all of it is tested without one.
#pragma once

#include "ui/dialog_templates.h"

constexpr int kMaxDialogControls = 20;
constexpr int kControlTextSize = 2048;   // the longest dialog text is under 1,000 characters
constexpr int kMaxListEntries = 16;
constexpr int kListEntrySize = 64;
constexpr int kDialogTitleSize = 256;
constexpr int kAddressFieldCount = 4;
constexpr int kAddressFieldSize = 4;     // three digits and the terminator

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
