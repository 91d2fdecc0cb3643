// What a key does to a dialog: focus, the default button, editing of the
// fields, the drop-down list and scrolling.
#pragma once

#include "console/dialog_model.h"

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
// Scrolls an editable field so that its insertion point shows.
void KeepCursorVisible(ControlState* control);
