// The line mode's output: dialogs written as lines, prompts kept below
// whatever else is written, and the progress of modeless dialogs.
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "platform/platform.h"
#include "platform/posix/terminal/control_kinds.h"
#include "platform/posix/terminal/line_mode.h"
#include "platform/posix/terminal/text_wrap.h"

namespace {

constexpr int kPrintWidth = 78;  // long texts wrap here
constexpr std::uint32_t kReportIntervalMs = 3000;

void PrintLine(LineState* lines, const char* text, int length) {
    if (lines->promptPending) std::fputc('\n', stdout);
    std::fwrite(text, 1, static_cast<std::size_t>(length), stdout);
    std::fputc('\n', stdout);
    if (lines->promptPending) std::fputs(lines->pendingPrompt, stdout);
    std::fflush(stdout);
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

void Prompt(LineState* lines, const char* text) {
    std::fputs(text, stdout);
    CopyText(lines->pendingPrompt, sizeof lines->pendingPrompt, text);
    lines->promptPending = true;
    std::fflush(stdout);
}

void PrintText(LineState* lines, const char* text) { PrintLine(lines, text, TextLength(text)); }

void PrintWrapped(LineState* lines, const char* text) {
    WrapCursor wrap;
    StartWrap(&wrap, text, kPrintWidth);
    int start = 0, length = 0;
    while (NextWrappedLine(&wrap, &start, &length)) PrintLine(lines, text + start, length);
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

void PrintDialog(LineState* lines, const PlatformWindow* window) {
    const DialogModel& model = window->model;
    char line[kLineSize];
    FormatText(line, sizeof line, "== %s ==", model.title);
    PrintText(lines, line);
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
            if (control.text[0] != 0) PrintWrapped(lines, control.text);
        } else if (IsLabel(control)) {
            if (!labelUsed[index] && control.text[0] != 0) PrintText(lines, control.text);
        } else if (IsValueField(kind)) {
            int label = LabelOf(model, index);
            if (label >= 0) {
                FormatText(line, sizeof line, "%s: %s", model.controls[label].text, control.text);
                PrintText(lines, line);
            } else if (control.text[0] != 0) {
                PrintText(lines, control.text);
            }
        }
    }
    if (window->kind == WindowKind::Modeless && FindControlIndex(model, kCommandCancel) >= 0)
        PrintText(lines, "(to cancel, type cancel and press Enter)");
}

void ReportProgress(TerminalUi* ui, PlatformWindow* window, bool force) {
    if (ui->mode != Mode::Lines || !window->visible || window->kind != WindowKind::Modeless) return;
    window->changedSinceReport = true;
    std::uint32_t now = MillisecondClock();
    if (!force && now - window->reportedAt < kReportIntervalMs) return;
    char line[kLineSize];
    int percent = ProgressPercent(window->model);
    if (percent >= 0)
        FormatText(line, sizeof line, "%s: %d%%", window->model.title, percent);
    else
        CopyText(line, sizeof line, window->model.title);
    PrintText(&ui->lines, line);
    window->reportedAt = now;
    window->changedSinceReport = false;
    CopyText(window->reportedTitle, sizeof window->reportedTitle, window->model.title);
}

void ReportFinalProgress(TerminalUi* ui, PlatformWindow* window) {
    if (ui->mode == Mode::Lines && window->visible && window->kind == WindowKind::Modeless &&
        window->changedSinceReport && std::strcmp(window->reportedTitle, window->model.title) != 0)
        ReportProgress(ui, window, true);
}
