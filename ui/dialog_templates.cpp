// Expands the template description into const tables.
#include "ui/dialog_templates.h"

#include "ui/resource_ids.h"

#define IDOK kTemplateOkId
#define IDCANCEL kTemplateCancelId

#define QEV_KIND_PUSHBUTTON ControlKind::PushButton
#define QEV_KIND_DEFPUSHBUTTON ControlKind::DefaultPushButton
#define QEV_KIND_EDIT_NOTE ControlKind::EditNote
#define QEV_KIND_EDIT_NOTE_NOTAB ControlKind::EditNoteNoTab
#define QEV_KIND_EDIT_LINE ControlKind::EditLine
#define QEV_KIND_EDIT_VALUE ControlKind::EditValue
#define QEV_KIND_EDIT_VALUE_CENTERED ControlKind::EditValueCentered
#define QEV_KIND_EDIT_INPUT ControlKind::EditInput
#define QEV_KIND_EDIT_PASSWORD ControlKind::EditPassword
#define QEV_KIND_TEXT_LEFT ControlKind::TextLeft
#define QEV_KIND_TEXT_RIGHT ControlKind::TextRight
#define QEV_KIND_TEXT_CENTER ControlKind::TextCenter
#define QEV_KIND_DROPDOWN ControlKind::DropDown
#define QEV_KIND_IPADDRESS ControlKind::AddressEntry
#define QEV_KIND_PROGRESS ControlKind::ProgressBar

// First pass: one control array per dialog.
#define QEV_DIALOG(id, title, width, height) static const ControlTemplate kControls_##id[] = {
#define QEV_CONTROL(kind, id, text, x, y, width, height) {QEV_KIND_##kind, id, text, x, y, width, height, 0},
#define QEV_ICON(icon, x, y, width, height) {ControlKind::Icon, IDC_NONE, "", x, y, width, height, icon},
#define QEV_DIALOG_END() };
#include "ui/dialog_templates.def"
#undef QEV_DIALOG
#undef QEV_CONTROL
#undef QEV_ICON
#undef QEV_DIALOG_END

// Second pass: the dialog table.
#define QEV_DIALOG(id, title, width, height) \
    {id, title, width, height, kControls_##id, static_cast<int>(sizeof kControls_##id / sizeof kControls_##id[0])},
#define QEV_CONTROL(kind, id, text, x, y, width, height)
#define QEV_ICON(icon, x, y, width, height)
#define QEV_DIALOG_END()
const DialogTemplate kDialogTemplates[] = {
#include "ui/dialog_templates.def"
};
const int kDialogTemplateCount = static_cast<int>(sizeof kDialogTemplates / sizeof kDialogTemplates[0]);

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (int i = 0; i < kDialogTemplateCount; ++i)
        if (kDialogTemplates[i].id == templateId) return &kDialogTemplates[i];
    return nullptr;
}

bool IsTabStop(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
        case ControlKind::EditNote:
        case ControlKind::EditLine:
        case ControlKind::EditValue:
        case ControlKind::EditValueCentered:
        case ControlKind::EditInput:
        case ControlKind::EditPassword:
        case ControlKind::DropDown:
        case ControlKind::AddressEntry:
            return true;
        default:
            return false;
    }
}
