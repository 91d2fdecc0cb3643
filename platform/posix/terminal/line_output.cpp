// The line mode's output: dialogs written as lines (formatted by
// console/line_format.h), prompts kept below whatever else is written, and
// the progress of modeless dialogs.
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "console/line_format.h"
#include "platform/platform.h"
#include "platform/posix/terminal/line_mode.h"

namespace {

constexpr std::uint32_t kReportIntervalMs = 3000;

void PrintLine(LineState* lines, const char* text, int length) {
    if (lines->promptPending) std::fputc('\n', stdout);
    std::fwrite(text, 1, static_cast<std::size_t>(length), stdout);
    std::fputc('\n', stdout);
    if (lines->promptPending) std::fputs(lines->pendingPrompt, stdout);
    std::fflush(stdout);
}

void PrintSink(void* lines, const char* text, int length) { PrintLine(static_cast<LineState*>(lines), text, length); }

}  // namespace

void Prompt(LineState* lines, const char* text) {
    std::fputs(text, stdout);
    CopyText(lines->pendingPrompt, sizeof lines->pendingPrompt, text);
    lines->promptPending = true;
    std::fflush(stdout);
}

void PrintText(LineState* lines, const char* text) { PrintLine(lines, text, static_cast<int>(std::strlen(text))); }

void PrintWrapped(LineState* lines, const char* text) { FormatWrapped(text, PrintSink, lines); }

void PrintDialog(LineState* lines, const PlatformWindow* window) {
    FormatDialogLines(window->model, window->kind == WindowKind::Modeless, PrintSink, lines);
}

void ReportProgress(TerminalUi* ui, PlatformWindow* window, bool force) {
    if (ui->mode != Mode::Lines || !window->visible || window->kind != WindowKind::Modeless) return;
    window->changedSinceReport = true;
    std::uint32_t now = MillisecondClock();
    if (!force && now - window->reportedAt < kReportIntervalMs) return;
    char line[kLineSize];
    FormatProgressLine(window->model, line, sizeof line);
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
