// What each kind of control is to the terminal front end: the one set of
// checks that layout, keys, drawing and the line mode all go by.
#pragma once

#include "console/dialog_model.h"

bool IsPushButton(ControlKind kind);
// Static texts: one-line labels, or text areas when taller than a label.
bool IsLabel(const ControlState& control);
// Text areas: the notes and the tall static texts, wrapped over several rows.
bool IsMultiLineText(const ControlState& control);
// A text area with more wrapped lines than rows.
bool Scrolls(const ControlState& control);
// One-line fields the user types into.
bool IsEditable(ControlKind kind);
// One-line fields that only show a value.
bool IsValueField(ControlKind kind);
// Either kind of one-line field.
bool IsField(ControlKind kind);
// Controls the user fills in: the editable fields, the address and the drop-down list.
bool IsInput(ControlKind kind);
