// BSD sockets for the POSIX program.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/posix_hooks.h"
#include "platform/posix/privileged_ports.h"

namespace {

int Descriptor(SocketHandle socket) { return static_cast<int>(socket); }

sockaddr_in ToSystem(const SocketAddress& address) {
    sockaddr_in system;
    std::memset(&system, 0, sizeof system);
    system.sin_family = AF_INET;
    std::memcpy(&system.sin_port, address.port, 2);
    std::memcpy(&system.sin_addr.s_addr, address.address, 4);
    return system;
}

void FromSystem(const sockaddr_in& system, SocketAddress* address) {
    address->family = kAddressFamilyIPv4;
    std::memcpy(address->port, &system.sin_port, 2);
    std::memcpy(address->address, &system.sin_addr.s_addr, 4);
}

SocketHandle Open(int type) {
    int descriptor = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    return descriptor < 0 ? kInvalidSocket : static_cast<SocketHandle>(descriptor);
}

}  // namespace

bool StartSocketLibrary() { return true; }

SocketHandle OpenTcpSocket() { return Open(SOCK_STREAM); }
SocketHandle OpenUdpSocket() { return Open(SOCK_DGRAM); }

bool BindSocket(SocketHandle socket, const SocketAddress& address) {
    sockaddr_in system = ToSystem(address);
    bool bound = ::bind(Descriptor(socket), reinterpret_cast<const sockaddr*>(&system), sizeof system) == 0;
    // A refusal for want of privilege is explained when the process ends.
    NoteBindOutcome(bound, bound ? 0 : errno, ntohs(system.sin_port));
    return bound;
}

bool ConnectSocket(SocketHandle socket, const SocketAddress& address, ConnectFailure* why) {
    sockaddr_in system = ToSystem(address);
    int result;
    do {
        result = ::connect(Descriptor(socket), reinterpret_cast<const sockaddr*>(&system), sizeof system);
    } while (result != 0 && errno == EINTR);
    if (why != nullptr) {
        if (result == 0) {
            *why = ConnectFailure::None;
        } else {
            switch (errno) {
                case ECONNREFUSED: *why = ConnectFailure::Refused; break;
                case ETIMEDOUT: *why = ConnectFailure::TimedOut; break;
                case ENETUNREACH:
                case EHOSTUNREACH: *why = ConnectFailure::Unreachable; break;
                default: *why = ConnectFailure::Other; break;
            }
        }
    }
    return result == 0;
}

int SendBytes(SocketHandle socket, const void* data, int length) {
    // MSG_NOSIGNAL: a device that has gone away must not end the process by SIGPIPE.
    ssize_t sent;
    do {
        sent = ::send(Descriptor(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
}

int ReceiveBytes(SocketHandle socket, void* buffer, int capacity) {
    ssize_t received;
    do {
        received = ::recv(Descriptor(socket), buffer, static_cast<size_t>(capacity), 0);
    } while (received < 0 && errno == EINTR);
    return static_cast<int>(received);
}

bool SetSocketNonBlocking(SocketHandle socket) {
    int flags = ::fcntl(Descriptor(socket), F_GETFL, 0);
    return flags >= 0 && ::fcntl(Descriptor(socket), F_SETFL, flags | O_NONBLOCK) == 0;
}

int SendDatagram(SocketHandle socket, const void* data, int length, const SocketAddress& to) {
    sockaddr_in system = ToSystem(to);
    return static_cast<int>(::sendto(Descriptor(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL,
                                     reinterpret_cast<const sockaddr*>(&system), sizeof system));
}

int ReceiveDatagram(SocketHandle socket, void* buffer, int capacity, SocketAddress* from) {
    sockaddr_in system;
    socklen_t length = sizeof system;
    std::memset(&system, 0, sizeof system);
    // MSG_TRUNC: the datagram's real length even when it did not fit. A
    // longer datagram is then dropped like a receive error, as Winsock does
    // (WSAEMSGSIZE), rather than handed on cut short.
    ssize_t received = ::recvfrom(Descriptor(socket), buffer, static_cast<size_t>(capacity), MSG_TRUNC,
                                  reinterpret_cast<sockaddr*>(&system), &length);
    if (received < 0 || received > capacity) return -1;
    FromSystem(system, from);
    return static_cast<int>(received);
}

int WaitForSocketOrInput(SocketHandle socket, unsigned timeoutMs) {
    pollfd waits[2];
    int count = 0;
    waits[count++] = pollfd{Descriptor(socket), POLLIN, 0};
    int input = CurrentInputDescriptor();
    if (input >= 0) waits[count++] = pollfd{input, POLLIN, 0};
    int ready = ::poll(waits, static_cast<nfds_t>(count), static_cast<int>(timeoutMs));
    // An interrupted wait says both: the caller just looks again.
    if (ready < 0) return kWaitDatagram | kWaitInput;
    int woken = waits[0].revents != 0 ? kWaitDatagram : 0;
    if (count > 1 && waits[1].revents != 0) woken |= kWaitInput;
    return woken;
}

int WaitForInput(unsigned timeoutMs) {
    pollfd wait = {CurrentInputDescriptor(), POLLIN, 0};
    // poll() sleeps its time out with no descriptor to watch.
    int ready = ::poll(&wait, wait.fd >= 0 ? 1 : 0, static_cast<int>(timeoutMs));
    if (ready < 0) return kWaitInput;  // interrupted: the caller just looks
    return ready > 0 ? kWaitInput : 0;
}

void CloseSocket(SocketHandle socket) { ::close(Descriptor(socket)); }

void ResetConnection(SocketHandle socket) {
    linger immediate = {1, 0};
    ::setsockopt(Descriptor(socket), SOL_SOCKET, SO_LINGER, &immediate, sizeof immediate);
    ::close(Descriptor(socket));
}
