// Listening TCP sockets on POSIX, for the loopback servers of the tests.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace {

int Descriptor(SocketHandle socket) { return static_cast<int>(socket); }

bool WaitForInput(SocketHandle socket, unsigned timeoutMs) {
    pollfd wait = {Descriptor(socket), POLLIN, 0};
    int result;
    do {
        result = ::poll(&wait, 1, static_cast<int>(timeoutMs));
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

}  // namespace

bool ListenOnSocket(SocketHandle socket) { return ::listen(Descriptor(socket), 8) == 0; }

void AllowPortReuse(SocketHandle socket) {
    int on = 1;
    ::setsockopt(Descriptor(socket), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

SocketHandle AcceptConnection(SocketHandle socket, unsigned timeoutMs, SocketAddress* peer) {
    if (!WaitForInput(socket, timeoutMs)) return kInvalidSocket;
    sockaddr_in system;
    socklen_t length = sizeof system;
    std::memset(&system, 0, sizeof system);
    int descriptor = ::accept4(Descriptor(socket), reinterpret_cast<sockaddr*>(&system), &length, SOCK_CLOEXEC);
    if (descriptor < 0) return kInvalidSocket;
    peer->family = kAddressFamilyIPv4;
    std::memcpy(peer->port, &system.sin_port, 2);
    std::memcpy(peer->address, &system.sin_addr.s_addr, 4);
    return static_cast<SocketHandle>(descriptor);
}

bool WaitForSocketReadable(SocketHandle socket, unsigned timeoutMs) { return WaitForInput(socket, timeoutMs); }
