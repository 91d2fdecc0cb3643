// The line mode's output: dialogs written as lines (formatted by
// console/line_format.h), prompts kept below whatever else is written, and
// the progress of modeless dialogs. Every byte goes out as the terminal is
// to show it (common/shown_text.h).
#include <cstdio>
#include <cstring>

#include "common/shown_text.h"
#include "common/text.h"
#include "console/line_format.h"
#include "platform/platform.h"
#include "platform/posix/terminal/line_mode.h"

namespace {

constexpr std::uint32_t kReportIntervalMs = 3000;
constexpr std::size_t kShownChunkSize = 256;

bool IsLeadByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0u) == 0xC0u; }

void PrintLine(LineState* lines, const char* text, int length) {
    if (lines->promptPending) std::fputc('\n', stdout);
    WriteShown(text, static_cast<std::size_t>(length));
    std::fputc('\n', stdout);
    if (lines->promptPending) std::fputs(lines->pendingPrompt, stdout);
    std::fflush(stdout);
}

void PrintSink(void* lines, const char* text, int length) { PrintLine(static_cast<LineState*>(lines), text, length); }

}  // namespace

void WriteShown(const char* text, std::size_t length) {
    char shown[kShownChunkSize];
    while (length > 0) {
        std::size_t part = length < sizeof shown ? length : sizeof shown;
        // A character's first byte stays with the byte after it, which
        // decides whether the two are a control.
        if (part < length && IsLeadByte(text[part - 1])) --part;
        std::memcpy(shown, text, part);
        MakeShown(shown, part, ProcessCharacterSet(), ShownLayout::OneLine);
        std::fwrite(shown, 1, part, stdout);
        text += part;
        length -= part;
    }
}

void Prompt(LineState* lines, const char* text) {
    std::size_t length = CopyText(lines->pendingPrompt, sizeof lines->pendingPrompt, text);
    MakeShown(lines->pendingPrompt, length, ProcessCharacterSet(), ShownLayout::OneLine);
    std::fputs(lines->pendingPrompt, stdout);
    lines->promptPending = true;
    std::fflush(stdout);
}

void PrintText(LineState* lines, const char* text) { PrintLine(lines, text, static_cast<int>(std::strlen(text))); }

void PrintWrapped(LineState* lines, const char* text) {
    FormatWrapped(text, ProcessCharacterSet(), PrintSink, lines);
}

void PrintDialog(LineState* lines, const PlatformWindow* window) {
    FormatDialogLines(window->model, window->kind == WindowKind::Modeless, ProcessCharacterSet(), PrintSink,
                      lines);
}

void ReportProgress(TerminalUi* ui, PlatformWindow* window, bool force) {
    if (ui->mode != Mode::Lines || !window->visible || window->kind != WindowKind::Modeless) return;
    window->changedSinceReport = true;
    std::uint32_t now = MillisecondClock();
    if (!force && now - window->reportedAt < kReportIntervalMs) return;
    char line[kLineSize];
    FormatProgressLine(window->model, ProcessCharacterSet(), line, sizeof line);
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
