// The command-line half of the platform layer on POSIX (platform_cli.h):
// routes, Ctrl-C, standard input and output, files and the time of day.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "common/exit_status.h"
#include "platform/platform_cli.h"
#include "platform/posix/posix_hooks.h"

namespace {

// The self-pipe the signal handler writes to; its read end is never
// drained, so every wait that watches it wakes from then on.
int g_interruptPipe[2] = {-1, -1};
std::atomic<int> g_interrupts{0};

void OnInterrupt(int) {
    int savedErrno = errno;
    if (g_interrupts.fetch_add(1) > 0) ::_exit(kExitCancelled);  // the second: no waiting for the run
    char byte = 'i';
    ssize_t ignored = ::write(g_interruptPipe[1], &byte, 1);
    (void)ignored;
    errno = savedErrno;
}

int InterruptDescriptor() { return g_interruptPipe[0]; }

// Standard input read ahead: what came after the line taken stays for the next.
struct InputBuffer {
    char bytes[4096];
    int length;
    bool ended;
};
InputBuffer g_input;

// The first line in the buffer, taken out of it; at the end of the input,
// what is left counts as a line.
bool TakeLine(char* line, int capacity) {
    int end = 0;
    while (end < g_input.length && g_input.bytes[end] != '\n') ++end;
    bool whole = end < g_input.length || g_input.length == static_cast<int>(sizeof g_input.bytes);
    if (!whole && !(g_input.ended && g_input.length > 0)) return false;
    int length = end;
    if (length > 0 && g_input.bytes[length - 1] == '\r') --length;
    int copied = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(line, g_input.bytes, static_cast<std::size_t>(copied));
    line[copied] = '\0';
    int consumed = end < g_input.length ? end + 1 : end;
    std::memmove(g_input.bytes, g_input.bytes + consumed, static_cast<std::size_t>(g_input.length - consumed));
    g_input.length -= consumed;
    return true;
}

void WriteAll(int descriptor, const char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(descriptor, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

}  // namespace

bool RoutedLocalAddress(std::uint32_t deviceAddress, std::uint32_t* localAddress) {
    // Connecting a datagram socket sends nothing: the system only picks the
    // route, and with it the source address.
    int descriptor = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) return false;
    sockaddr_in device;
    std::memset(&device, 0, sizeof device);
    device.sin_family = AF_INET;
    device.sin_port = htons(80);
    device.sin_addr.s_addr = htonl(deviceAddress);
    sockaddr_in local;
    socklen_t length = sizeof local;
    bool routed = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&device), sizeof device) == 0 &&
                  ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    ::close(descriptor);
    if (routed) *localAddress = ntohl(local.sin_addr.s_addr);
    return routed;
}

void WatchInterrupts() {
    if (g_interruptPipe[0] >= 0 || ::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    SetInputDescriptorFunction(InterruptDescriptor);
}

bool InterruptRequested() { return g_interrupts.load() > 0; }

LineRead ReadStandardInputLine(char* line, int capacity, bool hidden) {
    termios saved;
    bool echoOff = hidden && ::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (echoOff) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    LineRead result = LineRead::EndOfInput;
    for (;;) {
        if (InterruptRequested()) {
            result = LineRead::Interrupted;
            break;
        }
        if (TakeLine(line, capacity)) {
            result = LineRead::Line;
            break;
        }
        if (g_input.ended) break;
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {g_interruptPipe[0], POLLIN, 0}};
        if (::poll(waits, g_interruptPipe[0] >= 0 ? 2 : 1, -1) < 0) continue;
        if ((waits[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) continue;
        ssize_t count = ::read(STDIN_FILENO, g_input.bytes + g_input.length,
                               sizeof g_input.bytes - static_cast<std::size_t>(g_input.length));
        if (count > 0) {
            g_input.length += static_cast<int>(count);
        } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
            g_input.ended = true;
        }
    }
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        WriteAll(STDERR_FILENO, "\n");  // the line end the terminal did not echo
    }
    return result;
}

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool ReadWholeFile(const char* path, char* text, std::size_t capacity) {
    int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    std::size_t length = 0;
    bool ok = true;
    for (;;) {
        if (length >= capacity) {
            ok = false;  // too long: not cut silently
            break;
        }
        ssize_t count = ::read(descriptor, text + length, capacity - length);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) ok = false;
        if (count <= 0) break;
        length += static_cast<std::size_t>(count);
    }
    ::close(descriptor);
    if (!ok || length >= capacity) return false;
    text[length] = '\0';
    return true;
}

bool AppendToFile(const char* path, const char* text) {
    int descriptor = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return false;
    std::size_t length = std::strlen(text);
    ssize_t written;
    do {
        written = ::write(descriptor, text, length);
    } while (written < 0 && errno == EINTR);
    bool whole = written == static_cast<ssize_t>(length);
    return ::close(descriptor) == 0 && whole;
}

void WriteStandardError(const char* text) { WriteAll(STDERR_FILENO, text); }

void WriteStandardOutput(const char* text) { WriteAll(STDOUT_FILENO, text); }

void FormatUtcTime(char* text, std::size_t capacity) {
    time_t now = ::time(nullptr);
    tm parts;
    if (::gmtime_r(&now, &parts) == nullptr || ::strftime(text, capacity, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) {
        if (capacity > 0) text[0] = '\0';
    }
}

void ReleaseTerminal() { RunProcessEndHook(); }
