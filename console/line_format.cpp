// The line mode's formatting of dialogs and progress (see line_format.h).
#include "console/line_format.h"

#include "common/text.h"
#include "console/control_kinds.h"
#include "console/text_wrap.h"

namespace {

constexpr int kFormattedLineSize = 1024;

void Emit(LineSink sink, void* context, const char* text) { sink(context, text, TextLength(text)); }

int ProgressPercent(const DialogModel& model) {
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& control = model.controls[i];
        if (control.source.kind != ControlKind::ProgressBar) continue;
        if (control.maximum == 0) return -1;
        unsigned position = control.position < control.maximum ? control.position : control.maximum;
        return static_cast<int>(static_cast<unsigned long long>(position) * 100u / control.maximum);
    }
    return -1;
}

}  // namespace

void FormatWrapped(const char* text, LineSink sink, void* context) {
    WrapCursor wrap;
    StartWrap(&wrap, text, kLineWidth);
    int start = 0, length = 0;
    while (NextWrappedLine(&wrap, &start, &length)) sink(context, text + start, length);
}

int LabelOf(const DialogModel& model, int index) {
    const CellRect& cell = model.controls[index].cell;
    int label = -1;
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& candidate = model.controls[i];
        if (i == index || !IsLabel(candidate) || candidate.cell.row != cell.row) continue;
        if (candidate.cell.column >= cell.column) continue;
        if (label < 0 || candidate.cell.column > model.controls[label].cell.column) label = i;
    }
    return label;
}

int VisualOrder(const DialogModel& model, int* order) {
    int count = 0;
    for (int i = 0; i < model.controlCount; ++i) {
        int j = count++;
        while (j > 0) {
            const CellRect& a = model.controls[order[j - 1]].cell;
            const CellRect& b = model.controls[i].cell;
            if (a.row < b.row || (a.row == b.row && a.column <= b.column)) break;
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    return count;
}

void FormatDialogLines(const DialogModel& model, bool modeless, LineSink sink, void* context) {
    char line[kFormattedLineSize];
    FormatText(line, sizeof line, "== %s ==", model.title);
    Emit(sink, context, line);
    int order[kMaxDialogControls];
    int count = VisualOrder(model, order);
    // A label that names a field or an input is written with it, not alone.
    bool labelUsed[kMaxDialogControls] = {};
    for (int k = 0; k < count; ++k) {
        int label = LabelOf(model, order[k]);
        ControlKind kind = model.controls[order[k]].source.kind;
        if (label >= 0 && (IsInput(kind) || IsValueField(kind))) labelUsed[label] = true;
    }
    for (int k = 0; k < count; ++k) {
        int index = order[k];
        const ControlState& control = model.controls[index];
        ControlKind kind = control.source.kind;
        if (IsMultiLineText(control)) {
            if (control.text[0] != 0) FormatWrapped(control.text, sink, context);
        } else if (IsLabel(control)) {
            if (!labelUsed[index] && control.text[0] != 0) Emit(sink, context, control.text);
        } else if (IsValueField(kind)) {
            int label = LabelOf(model, index);
            if (label >= 0) {
                FormatText(line, sizeof line, "%s: %s", model.controls[label].text, control.text);
                Emit(sink, context, line);
            } else if (control.text[0] != 0) {
                Emit(sink, context, control.text);
            }
        }
    }
    if (modeless && FindControlIndex(model, kTemplateCancelId) >= 0) Emit(sink, context, "(to cancel, type cancel and press Enter)");
}

void FormatProgressLine(const DialogModel& model, char* line, std::size_t capacity) {
    int percent = ProgressPercent(model);
    if (percent >= 0)
        FormatText(line, capacity, "%s: %d%%", model.title, percent);
    else
        CopyText(line, capacity, model.title);
}
