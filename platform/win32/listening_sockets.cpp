// Listening TCP sockets on Windows, for the loopback servers of the tests.
#include "platform/win32/windows_headers.h"

#include <cstring>

#include "platform/platform.h"

namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

bool WaitForInput(SocketHandle socket, unsigned timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(socket), &readable);
    timeval timeout;
    timeout.tv_sec = static_cast<long>(timeoutMs / 1000);
    timeout.tv_usec = static_cast<long>(timeoutMs % 1000) * 1000;
    return ::select(0, &readable, nullptr, nullptr, &timeout) > 0;
}

}  // namespace

bool ListenOnSocket(SocketHandle socket) { return ::listen(Native(socket), 8) == 0; }

// Windows binds a port whose connections linger in TIME_WAIT; its
// SO_REUSEADDR would let two servers share a port, which nobody wants here.
void AllowPortReuse(SocketHandle) {}

SocketHandle AcceptConnection(SocketHandle socket, unsigned timeoutMs, SocketAddress* peer) {
    if (!WaitForInput(socket, timeoutMs)) return kInvalidSocket;
    sockaddr_in system;
    int length = sizeof system;
    std::memset(&system, 0, sizeof system);
    SOCKET accepted = ::accept(Native(socket), reinterpret_cast<sockaddr*>(&system), &length);
    if (accepted == INVALID_SOCKET) return kInvalidSocket;
    peer->family = kAddressFamilyIPv4;
    std::memcpy(peer->port, &system.sin_port, 2);
    std::memcpy(peer->address, &system.sin_addr.s_addr, 4);
    return static_cast<SocketHandle>(accepted);
}

bool WaitForSocketReadable(SocketHandle socket, unsigned timeoutMs) { return WaitForInput(socket, timeoutMs); }
