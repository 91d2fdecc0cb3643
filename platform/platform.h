// The narrow operating-system layer under the portable core: sockets,
// threads, time, randomness, this PC's addresses, the embedded resources and
// the end of the process. Implemented once for Win32 (platform/win32) and
// once for POSIX (platform/posix), with a few portable parts shared by both
// (platform/*.cpp); nothing outside platform/ includes a system header. The
// user-interface half of the layer is in platform_ui.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "common/base.h"
#include "common/socket_address.h"

// ---- sockets -------------------------------------------------------------

// Starts the socket library (Winsock 1.1 on Windows); false on failure.
bool StartSocketLibrary();

SocketHandle OpenTcpSocket();
SocketHandle OpenUdpSocket();
bool BindSocket(SocketHandle socket, const SocketAddress& address);
// Why a connection could not be made, as far as the system tells.
enum class ConnectFailure {
    None,
    Refused,      // nothing listens on the port (or a firewall rejects it)
    TimedOut,     // no answer at all
    Unreachable,  // no route to the host or its network
    Other,
};
// Connects a stream socket; false, with the reason in *why when given, when
// no connection could be made.
bool ConnectSocket(SocketHandle socket, const SocketAddress& address, ConnectFailure* why = nullptr);
// Blocking stream I/O: the count transferred, or 0 / -1 as the system says
// (0 is an orderly close on receive).
int SendBytes(SocketHandle socket, const void* data, int length);
int ReceiveBytes(SocketHandle socket, void* buffer, int capacity);
bool SetSocketNonBlocking(SocketHandle socket);
// Datagram I/O on a non-blocking socket. ReceiveDatagram returns the number of
// bytes stored (at most capacity) or -1 when nothing is waiting, on any error,
// and for a datagram longer than capacity, which is dropped whole; the sender
// is written to *from when a datagram was taken.
int SendDatagram(SocketHandle socket, const void* data, int length, const SocketAddress& to);
int ReceiveDatagram(SocketHandle socket, void* buffer, int capacity, SocketAddress* from);
// Waits up to timeoutMs for a datagram on the socket, or for user input to
// the calling thread's dialogs, whichever comes first. Returns at once when a
// datagram is already waiting or input came since the thread last pumped its
// messages; input that pumping leaves in the queue (a message for no dialog
// of the thread) does not end the waits after that. On Windows the first
// wait ties the socket to one event, until CloseSocket or ResetConnection.
// Returns what ended it, kWaitDatagram and kWaitInput (either or both), or 0
// when the time ran out with neither: a receive then would find nothing (a
// datagram arriving later ends the next wait at once), and a pump nothing new.
constexpr int kWaitDatagram = 1;
constexpr int kWaitInput = 2;
int WaitForSocketOrInput(SocketHandle socket, unsigned timeoutMs);
// The same without a socket: up to timeoutMs for input to the calling
// thread's dialogs. Returns kWaitInput, or 0 when the time ran out.
int WaitForInput(unsigned timeoutMs);
void CloseSocket(SocketHandle socket);
// Closes a connected stream socket at once with a reset instead of the
// orderly close, so that no TIME_WAIT state stays behind on its local port
// (Windows would let the next connection bind that port and then refuse to
// connect it to the same peer).
void ResetConnection(SocketHandle socket);

// Listening stream sockets, for the loopback servers of the tests (the
// program itself only connects). ListenOnSocket starts listening on a bound
// TCP socket. AcceptConnection waits up to timeoutMs for a connection and
// accepts it as a blocking socket, with the peer's address in *peer, or
// gives back kInvalidSocket when none came. WaitForSocketReadable waits up to
// timeoutMs until the socket has bytes to read or its peer has closed.
bool ListenOnSocket(SocketHandle socket);
// Lets a server's socket bind a port whose earlier connections still linger
// in TIME_WAIT (SO_REUSEADDR on POSIX; Windows binds such a port anyway).
void AllowPortReuse(SocketHandle socket);
SocketHandle AcceptConnection(SocketHandle socket, unsigned timeoutMs, SocketAddress* peer);
bool WaitForSocketReadable(SocketHandle socket, unsigned timeoutMs);

// This PC's IPv4 addresses in host byte order, at most `capacity`, in the
// order the system lists them (on POSIX: interfaces that are up, non-loopback
// first, loopback last). Returns the count stored.
int ListLocalAddresses(std::uint32_t* addresses, int capacity);
// The network mask (host order) of the interface that holds this address of
// this PC; false when the address is none of its interfaces' or the mask is
// not known (on Windows, whose address list comes from a host-name lookup,
// never: the Windows program does not judge subnets).
bool LocalAddressMask(std::uint32_t address, std::uint32_t* mask);

// ---- threads and time ----------------------------------------------------

typedef int (*ThreadProcedure)(void* argument);

// Starts a thread running procedure(argument); nullptr when it cannot start.
ThreadHandle StartThread(ThreadProcedure procedure, void* argument);
// True once the thread has returned; its result is then stored in *result.
// Whether a thread has ended never depends on the value it returned.
bool ThreadHasEnded(ThreadHandle thread, int* result);
// Waits up to timeoutMs for the thread to end, or for user input to the
// calling thread's dialogs, whichever comes first; input counts as in
// WaitForSocketOrInput.
void WaitForThreadOrInput(ThreadHandle thread, unsigned timeoutMs);
// Releases an ended thread's handle (joins it on POSIX).
void ReleaseThread(ThreadHandle thread);
// Lets a running thread go on alone; its handle is given up.
void DetachThread(ThreadHandle thread);

void SleepMilliseconds(unsigned milliseconds);
// A 32-bit millisecond clock that wraps (timeGetTime on Windows).
std::uint32_t MillisecondClock();

// ---- randomness (platform/random_draws.cpp) ------------------------------

// The next random number, 0 to 32767, from the operating system's generator
// (getrandom, BCryptGenRandom), from any thread; or the next scripted value
// while any remain (callers mask a draw to the width they use).
unsigned DrawRandomNumber();
// Tests: the next draws are these values (at most kMaxScriptedDraws), in
// order; the system's follow. Call before the threads that draw start.
constexpr int kMaxScriptedDraws = 8;
void ScriptRandomDraws(std::initializer_list<unsigned> values);
// Fills the bytes from the operating system's generator; false when it has
// none to give (the caller then falls back on the clock).
bool ReadSystemRandom(void* bytes, std::size_t length);

// ---- resources -----------------------------------------------------------

// Finds the program's own resource of type "QEV_FIRMWARE" with the given
// identifier. The bytes stay valid for the life of the process.
bool FindFirmwareResource(int identifier, const std::uint8_t** data, std::uint32_t* size);

// ---- process -------------------------------------------------------------

// Ends the whole process with the given exit code, from any thread. The
// terminal, if the user interface changed it, is restored first.
[[noreturn]] void EndProcess(int exitCode);

// Where the trace hook (common/trace.h, platform/trace.cpp) writes when
// tracing is built in: standard error on POSIX, the debugger output on Windows.
void WriteTraceText(const char* text);

// The path of the running program, for the remedies the program suggests.
void ProgramPath(char* path, std::size_t capacity);
