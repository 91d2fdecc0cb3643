// The ten dialog templates as data, expanded from ui/dialog_templates.def
// (the same source the resource script expands), for the front ends that do
// not read Win32 resources and for the tests.
#pragma once

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    EditNote,          // multi-line read-only text area, no border
    EditNoteNoTab,     // the same, not a tab stop
    EditLine,          // single-line read-only, no border
    EditValue,         // single-line read-only, border
    EditValueCentered, // the same, centred
    EditInput,         // single-line editable
    EditPassword,      // single-line editable, masked
    TextLeft,
    TextRight,
    TextCenter,
    DropDown,
    AddressEntry,
    ProgressBar,
    Icon,
};

// The identifiers of every template's OK and Cancel buttons: the platform's
// own command identifiers (IDOK, IDCANCEL).
constexpr int kTemplateOkId = 1;
constexpr int kTemplateCancelId = 2;

struct ControlTemplate {
    ControlKind kind;
    int id;            // -1 for static controls without an identifier
    const char* text;  // initial text
    int x, y, width, height;  // dialog units
    int iconId;        // for ControlKind::Icon; 0 otherwise
};

struct DialogTemplate {
    int id;
    const char* title;  // as stored in the template
    int width, height;  // dialog units
    const ControlTemplate* controls;  // in tab order
    int controlCount;
};

// All ten templates, in the order of the description.
extern const DialogTemplate kDialogTemplates[];
extern const int kDialogTemplateCount;

// nullptr when no template has that identifier.
const DialogTemplate* FindDialogTemplate(int templateId);
bool IsTabStop(ControlKind kind);
