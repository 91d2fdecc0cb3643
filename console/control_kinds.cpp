// The control-kind checks of the terminal front end.
#include "console/control_kinds.h"

namespace {

// Static texts this low are one-line labels.
constexpr int kLabelUnits = 12;

bool IsStaticText(ControlKind kind) {
    return kind == ControlKind::TextLeft || kind == ControlKind::TextRight || kind == ControlKind::TextCenter;
}

}  // namespace

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

bool IsLabel(const ControlState& control) {
    return IsStaticText(control.source.kind) && control.source.height <= kLabelUnits;
}

bool IsMultiLineText(const ControlState& control) {
    ControlKind kind = control.source.kind;
    if (kind == ControlKind::EditNote || kind == ControlKind::EditNoteNoTab) return true;
    return IsStaticText(kind) && control.source.height > kLabelUnits;
}

bool Scrolls(const ControlState& control) {
    return IsMultiLineText(control) && control.lineCount > control.cell.height;
}

bool IsEditable(ControlKind kind) { return kind == ControlKind::EditInput || kind == ControlKind::EditPassword; }

bool IsValueField(ControlKind kind) {
    return kind == ControlKind::EditLine || kind == ControlKind::EditValue || kind == ControlKind::EditValueCentered;
}

bool IsField(ControlKind kind) { return IsEditable(kind) || IsValueField(kind); }

bool IsInput(ControlKind kind) {
    return IsEditable(kind) || kind == ControlKind::DropDown || kind == ControlKind::AddressEntry;
}
