// The line mode's formatting of dialogs and progress (see line_format.h).
#include "console/line_format.h"

#include <cstring>

#include "common/text.h"
#include "console/control_kinds.h"
#include "console/text_wrap.h"

namespace {

constexpr int kFormattedLineSize = 1024;

struct LineOutput {
    TerminalCharacterSet characterSet;
    LineSink sink;
    void* context;
};

// Hands one line to the sink as the terminal is to show it. A line is one
// line: a line break in it (a device's field) is shown as '?' too.
void Emit(const LineOutput& output, const char* text, int length) {
    char shown[kControlTextSize];  // no line is longer than a control's text
    if (length > kControlTextSize - 1) length = kControlTextSize - 1;
    std::memcpy(shown, text, static_cast<std::size_t>(length));
    MakeShown(shown, static_cast<std::size_t>(length), output.characterSet, ShownLayout::OneLine);
    output.sink(output.context, shown, length);
}

void Emit(const LineOutput& output, const char* text) { Emit(output, text, TextLength(text)); }

// The text's own line breaks end its lines here, before any line is shown.
void EmitWrapped(const LineOutput& output, const char* text) {
    WrapCursor wrap;
    StartWrap(&wrap, text, kLineWidth);
    int start = 0, length = 0;
    while (NextWrappedLine(&wrap, &start, &length)) Emit(output, text + start, length);
}

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

void FormatWrapped(const char* text, TerminalCharacterSet characterSet, LineSink sink, void* context) {
    EmitWrapped(LineOutput{characterSet, sink, context}, text);
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

void FormatDialogLines(const DialogModel& model, bool modeless, TerminalCharacterSet characterSet, LineSink sink,
                       void* context) {
    const LineOutput output{characterSet, sink, context};
    char line[kFormattedLineSize];
    FormatText(line, sizeof line, "== %s ==", model.title);
    Emit(output, line);
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
            if (control.text[0] != 0) EmitWrapped(output, control.text);
        } else if (IsLabel(control)) {
            if (!labelUsed[index] && control.text[0] != 0) Emit(output, control.text);
        } else if (IsValueField(kind)) {
            int label = LabelOf(model, index);
            if (label >= 0) {
                FormatText(line, sizeof line, "%s: %s", model.controls[label].text, control.text);
                Emit(output, line);
            } else if (control.text[0] != 0) {
                Emit(output, control.text);
            }
        }
    }
    if (modeless && FindControlIndex(model, kTemplateCancelId) >= 0) Emit(output, "(to cancel, type cancel and press Enter)");
}

void FormatProgressLine(const DialogModel& model, TerminalCharacterSet characterSet, char* line, std::size_t capacity) {
    int percent = ProgressPercent(model);
    std::size_t length = percent >= 0 ? FormatText(line, capacity, "%s: %d%%", model.title, percent)
                                      : CopyText(line, capacity, model.title);
    MakeShown(line, length, characterSet, ShownLayout::OneLine);
}
