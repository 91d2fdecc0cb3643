// The line mode's input: standard input read ahead without blocking,
// answers taken a line at a time, the wait for the answer to a prompt,
// and the word that cancels a modeless dialog.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/terminal/input_handover.h"
#include "platform/posix/terminal/line_mode.h"
#include "platform/posix/terminal/terminal_restore.h"

namespace {

constexpr int kAnswerWaitMs = 100;
const char kCancelWord[] = "cancel";

// Reads what waits on standard input into the buffer; never blocks.
void FillInput(LineState* lines) {
    if (lines->inputEnded || lines->inputLength >= kInputBufferSize) return;
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0) return;
    ssize_t count = ::read(STDIN_FILENO, lines->input + lines->inputLength,
                           static_cast<size_t>(kInputBufferSize - lines->inputLength));
    if (count > 0) {
        lines->inputLength += static_cast<int>(count);
    } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
        lines->inputEnded = true;
    }
}

// The first complete line waiting, copied without its line end; `take`
// removes it from the buffer. An unfinished last line counts once input has
// ended, and so does a line too long for the buffer.
bool FirstLine(LineState* lines, char* line, int capacity, bool take) {
    int end = 0;
    while (end < lines->inputLength && lines->input[end] != '\n') ++end;
    bool complete = end < lines->inputLength || (lines->inputEnded && lines->inputLength > 0) ||
                    lines->inputLength == kInputBufferSize;
    if (!complete) return false;
    int length = end;
    if (length > 0 && lines->input[length - 1] == '\r') --length;
    int copied = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(line, lines->input, static_cast<std::size_t>(copied));
    line[copied] = 0;
    if (take) {
        int consumed = end < lines->inputLength ? end + 1 : end;
        std::memmove(lines->input, lines->input + consumed, static_cast<std::size_t>(lines->inputLength - consumed));
        lines->inputLength -= consumed;
    }
    return true;
}

// Ends the prompt's line: the answer as typed when the input does not show
// it, masked for a password; a bare line end where the terminal showed
// nothing (no echo, or no answer).
void EndAnswerLine(const LineState& lines, Answer answer, const char* line, bool masked) {
    if (answer == Answer::Line && lines.echoAnswers) {
        if (masked) {
            for (const char* c = line; *c != 0; ++c) std::fputc('*', stdout);
        } else {
            WriteShown(line, std::strlen(line));
        }
        std::fputc('\n', stdout);
    } else if (answer != Answer::Line || (masked && lines.stdinTerminal)) {
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

}  // namespace

bool SameWord(const char* a, const char* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == 0 && *b == 0;
}

void Trim(char* text) {
    int length = static_cast<int>(std::strlen(text));
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) text[--length] = 0;
    int start = 0;
    while (text[start] == ' ' || text[start] == '\t') ++start;
    if (start > 0) std::memmove(text, text + start, static_cast<std::size_t>(length - start + 1));
}

bool InputExhausted(const LineState& lines) { return lines.inputEnded && lines.inputLength == 0; }

bool CancelWordWaiting(LineState* lines) {
    char line[kLineSize];
    if (!FirstLine(lines, line, sizeof line, false)) return false;
    Trim(line);
    return SameWord(line, kCancelWord);
}

bool TakeLineCommand(TerminalUi* ui, PlatformWindow* target, int* command) {
    // Answers belong to a waiting prompt; a modeless dialog only takes the
    // word that cancels it.
    if (LineTaker(ui) != nullptr || target->kind != WindowKind::Modeless) return false;
    if (!TakeInterrupt()) {
        FillInput(&ui->lines);
        if (!CancelWordWaiting(&ui->lines)) return false;
        char line[kLineSize];
        FirstLine(&ui->lines, line, sizeof line, true);
    }
    *command = kCommandCancel;
    return true;
}

Answer ReadAnswer(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window, char* line,
                  int capacity, bool masked) {
    LineState& lines = ui->lines;
    window->awaitingLine = true;
    if (masked) SetInputEcho(false);
    Answer answer = Answer::EndOfInput;
    for (;;) {
        if (LineTaker(ui) == window) {
            if (TakeInterrupt()) {
                answer = Answer::Interrupted;
                break;
            }
            FillInput(&lines);
            if (FirstLine(&lines, line, capacity, true)) {
                answer = Answer::Line;
                break;
            }
            if (lines.inputEnded) break;
        }
        bool mine = LineTaker(ui) == window && !lines.inputEnded;
        lock.unlock();
        WaitFor(ui, mine ? STDIN_FILENO : -1, kAnswerWaitMs);
        lock.lock();
    }
    if (masked) SetInputEcho(true);
    window->awaitingLine = false;
    lines.promptPending = false;
    EndAnswerLine(lines, answer, line, masked);
    return answer;
}
