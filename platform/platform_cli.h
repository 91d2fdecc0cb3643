// The command-line half of the platform layer: what the Linux program needs
// of the system besides the dialogs, to run an upgrade from one command line
// (cli/): the route to the device, Ctrl-C, standard input and output, the
// password file, the record file, the time of day. Implemented for POSIX
// only (platform/posix); the Windows program has no command line.
#pragma once

#include <cstddef>
#include <cstdint>

// The address this PC sends from to reach the device, as the system routes
// it (host order); false when there is no route.
bool RoutedLocalAddress(std::uint32_t deviceAddress, std::uint32_t* localAddress);

// From now on Ctrl-C (SIGINT) and SIGTERM cancel the run: the platform's
// waits wake at once (they watch a descriptor that becomes readable) and
// InterruptRequested() is true. A second one before the run has ended ends
// the process at once with the status of a cancelled run.
void WatchInterrupts();
bool InterruptRequested();

enum class LineRead { Line, EndOfInput, Interrupted };
// One line of standard input without its line end (cut to capacity - 1
// characters), waiting for it as long as it takes, unless Ctrl-C comes
// first (after WatchInterrupts). `hidden`: the terminal does not echo it.
LineRead ReadStandardInputLine(char* line, int capacity, bool hidden);
bool StandardInputIsTerminal();

// Reads a whole file into text (terminated); false when it cannot be read
// or holds capacity bytes or more.
bool ReadWholeFile(const char* path, char* text, std::size_t capacity);
// Appends the text to the file (created, mode 0644 less the umask) with one
// write, so that several programs appending to one file never mix their
// lines; false when it could not be written whole.
bool AppendToFile(const char* path, const char* text);
// Writes the text with one write (a line of its own is never cut into by
// another thread's or process's).
void WriteStandardError(const char* text);
void WriteStandardOutput(const char* text);

// The time of day in UTC, as 2026-12-08T01:32:05Z.
constexpr int kUtcTimeSize = 24;
void FormatUtcTime(char* text, std::size_t capacity);

// Ends the dialogs' hold on the terminal (restored, the last message shown
// again), so that lines written to standard error afterwards stand below
// them; nothing when no dialog was shown.
void ReleaseTerminal();
