// The terminal front end's start, at its first call, and its end with the process.
#include "platform/posix/terminal/terminal_start.h"

#include <fcntl.h>
#include <langinfo.h>
#include <strings.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/shown_text.h"
#include "platform/platform.h"
#include "platform/posix/terminal/screen_mode.h"
#include "platform/posix/terminal/terminal_restore.h"
#include "platform/posix/terminal/terminal_screen.h"

namespace {

// How long the end of the process waits for a thread that holds the lock.
constexpr int kProcessEndLockTries = 200;

void WriteOut(const char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(STDOUT_FILENO, text, length);
        if (written <= 0) return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

// The locale's character set, taken once for the whole process: curses
// draws by it, and it says where the terminal's C1 controls are (bytes
// 0x80-0x9F in any character set but UTF-8).
void AdoptLocaleCharacterSet() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    bool utf8 = ::strcasecmp(codeset, "UTF-8") == 0 || ::strcasecmp(codeset, "UTF8") == 0;
    SetProcessCharacterSet(utf8 ? TerminalCharacterSet::Utf8 : TerminalCharacterSet::Other);
}

void OpenHandOverPipes(InputHandOver* handOver) {
    if (::pipe2(handOver->wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) handOver->wakePipe[0] = handOver->wakePipe[1] = -1;
    if (::pipe2(handOver->readyPipe, O_CLOEXEC) == 0) {
        char byte = 'r';
        ssize_t ignored = ::write(handOver->readyPipe[1], &byte, 1);
        (void)ignored;
    }
}

}  // namespace

void StartTerminal(TerminalUi* ui, InputDescriptorFunction inputDescriptor, ProcessEndHook processEnd) {
    if (ui->mode != Mode::Unset) return;
    AdoptLocaleCharacterSet();
    SaveTerminalModes();
    ui->lines.stdinTerminal = ::isatty(STDIN_FILENO) == 1;
    bool stdoutTerminal = ::isatty(STDOUT_FILENO) == 1;
    OpenHandOverPipes(&ui->handOver);
    InstallSignalHandlers(ui->handOver.wakePipe[1]);
    ui->mode = Mode::Lines;
    if (ui->lines.stdinTerminal && stdoutTerminal && StartScreen()) ui->mode = Mode::Screen;
    ui->lines.echoAnswers = !(ui->lines.stdinTerminal && stdoutTerminal);
    SetInputDescriptorFunction(inputDescriptor);
    SetProcessEndHook(processEnd);
    std::atexit(processEnd);
    if (ui->mode == Mode::Screen) {
        ui->screen.redrawAll = true;
        Compose(ui);
    }
}

void EndTerminal(TerminalUi* ui) {
    if (ui->ended.exchange(true)) return;
    bool locked = false;
    for (int i = 0; i < kProcessEndLockTries && !(locked = ui->lock.try_lock()); ++i) SleepMilliseconds(1);
    RestoreTerminal();
    if (!locked) return;
    if (ui->mode == Mode::Screen && ui->lastError[0] != 0) {
        MakeShown(ui->lastError, std::strlen(ui->lastError), ProcessCharacterSet(), ShownLayout::Lines);
        WriteOut(ui->lastError);
        WriteOut("\n");
    } else if (ui->mode == Mode::Lines && ui->lines.promptPending) {
        std::fputc('\n', stdout);
        ui->lines.promptPending = false;
    }
    std::fflush(stdout);
}
