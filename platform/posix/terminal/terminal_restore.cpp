// Putting the terminal back as it was: on the end of the process and on
// every signal that ends it. Everything the handlers call is
// async-signal-safe: write, tcsetattr, sigaction, raise, _exit.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "common/exit_status.h"
#include "platform/posix/terminal/terminal_restore.h"

namespace {

// Signals after which the process ends: the terminal is restored, then the
// signal takes its previous course. Faults re-run the faulting instruction
// under the previous handler (the sanitizers' reports stay intact).
const int kEndingSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGABRT, SIGALRM, SIGUSR1, SIGUSR2};
const int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr int kSignalSlots = 65;

// What the signal handlers need. A signal handler gets no argument, so this
// one record is process-wide; it is written before the handlers are
// installed (the modes, the previous handlers) or through atomics.
struct RestoreState {
    termios savedModes;
    std::atomic<bool> haveSavedModes{false};
    char restoreSequence[kRestoreSequenceSize];
    std::atomic<int> restoreLength{0};
    std::atomic<int> wakeDescriptor{-1};
    std::atomic<bool> interruptPending{false};
    struct sigaction previous[kSignalSlots];
};
RestoreState g_restore;

void WriteAll(int descriptor, const char* data, int length) {
    while (length > 0) {
        ssize_t written = ::write(descriptor, data, static_cast<size_t>(length));
        if (written <= 0) return;
        data += written;
        length -= static_cast<int>(written);
    }
}

void OnInterrupt(int) {
    int savedErrno = errno;
    if (g_restore.interruptPending.exchange(true)) {
        // The first Ctrl-C was never picked up: nothing pumps the dialogs.
        RestoreTerminal();
        ::_exit(kExitCancelled);
    }
    int wake = g_restore.wakeDescriptor.load();
    if (wake >= 0) {
        char byte = 'i';
        ssize_t ignored = ::write(wake, &byte, 1);
        (void)ignored;
    }
    errno = savedErrno;
}

void OnEndingSignal(int signal) {
    RestoreTerminal();
    if (signal > 0 && signal < kSignalSlots) ::sigaction(signal, &g_restore.previous[signal], nullptr);
    ::raise(signal);  // blocked until this handler returns
}

void OnFault(int signal) {
    RestoreTerminal();
    if (signal > 0 && signal < kSignalSlots) ::sigaction(signal, &g_restore.previous[signal], nullptr);
}

void Install(int signal, void (*handler)(int), bool keepIgnored) {
    struct sigaction previous;
    if (::sigaction(signal, nullptr, &previous) != 0) return;
    // A signal the parent chose to ignore (nohup, a background job) stays ignored.
    if (keepIgnored && previous.sa_handler == SIG_IGN) return;
    g_restore.previous[signal] = previous;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

void SaveTerminalModes() {
    if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &g_restore.savedModes) == 0)
        g_restore.haveSavedModes.store(true);
}

void SetRestoreSequence(const char* sequence) {
    int length = static_cast<int>(std::strlen(sequence));
    if (length >= kRestoreSequenceSize) length = kRestoreSequenceSize - 1;
    std::memcpy(g_restore.restoreSequence, sequence, static_cast<std::size_t>(length));
    g_restore.restoreSequence[length] = 0;
    g_restore.restoreLength.store(length);
}

void RestoreTerminal() {
    int savedErrno = errno;
    int length = g_restore.restoreLength.load();
    if (length > 0) WriteAll(STDOUT_FILENO, g_restore.restoreSequence, length);
    if (g_restore.haveSavedModes.load()) ::tcsetattr(STDIN_FILENO, TCSANOW, &g_restore.savedModes);
    errno = savedErrno;
}

bool SetInputEcho(bool on) {
    if (!g_restore.haveSavedModes.load()) return false;
    termios modes = g_restore.savedModes;
    if (!on) modes.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    return ::tcsetattr(STDIN_FILENO, TCSANOW, &modes) == 0;
}

void InstallSignalHandlers(int wakeDescriptor) {
    g_restore.wakeDescriptor.store(wakeDescriptor);
    Install(SIGINT, OnInterrupt, true);
    for (int signal : kEndingSignals) Install(signal, OnEndingSignal, true);
    for (int signal : kFaultSignals) Install(signal, OnFault, false);
    // Suspending would stop the transfer with the terminal in full-screen
    // mode and leave other threads drawing; Ctrl-Z is not offered.
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGTSTP, &ignore, nullptr);
}

bool TakeInterrupt() { return g_restore.interruptPending.exchange(false); }

bool InterruptPending() { return g_restore.interruptPending.load(); }
