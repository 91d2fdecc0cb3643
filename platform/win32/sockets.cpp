// Winsock for the Windows program: the socket library, TCP and UDP sockets,
// waiting for a datagram while the calling thread's dialogs stay live, and
// this PC's addresses from a host-name lookup.
#include "platform/win32/windows_headers.h"

#include <cstring>

#include "platform/platform.h"

namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

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

SocketHandle Open(int type, int protocol) {
    SOCKET socket = ::socket(AF_INET, type, protocol);
    return socket == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(socket);
}

}  // namespace

bool StartSocketLibrary() {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

SocketHandle OpenTcpSocket() { return Open(SOCK_STREAM, IPPROTO_TCP); }
SocketHandle OpenUdpSocket() { return Open(SOCK_DGRAM, IPPROTO_UDP); }

bool BindSocket(SocketHandle socket, const SocketAddress& address) {
    sockaddr_in system = ToSystem(address);
    return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&system), sizeof system) == 0;
}

bool ConnectSocket(SocketHandle socket, const SocketAddress& address) {
    sockaddr_in system = ToSystem(address);
    return ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&system), sizeof system) == 0;
}

int SendBytes(SocketHandle socket, const void* data, int length) {
    return ::send(Native(socket), static_cast<const char*>(data), length, 0);
}

int ReceiveBytes(SocketHandle socket, void* buffer, int capacity) {
    return ::recv(Native(socket), static_cast<char*>(buffer), capacity, 0);
}

bool SetSocketNonBlocking(SocketHandle socket) {
    u_long nonBlocking = 1;
    return ::ioctlsocket(Native(socket), FIONBIO, &nonBlocking) == 0;
}

int SendDatagram(SocketHandle socket, const void* data, int length, const SocketAddress& to) {
    sockaddr_in system = ToSystem(to);
    return ::sendto(Native(socket), static_cast<const char*>(data), length, 0,
                    reinterpret_cast<const sockaddr*>(&system), sizeof system);
}

int ReceiveDatagram(SocketHandle socket, void* buffer, int capacity, SocketAddress* from) {
    sockaddr_in system;
    int length = sizeof system;
    std::memset(&system, 0, sizeof system);
    // A datagram longer than the buffer is an error here (WSAEMSGSIZE) and is
    // discarded by the system: it counts as nothing received.
    int received = ::recvfrom(Native(socket), static_cast<char*>(buffer), capacity, 0,
                              reinterpret_cast<sockaddr*>(&system), &length);
    if (received == SOCKET_ERROR) return -1;
    FromSystem(system, from);
    return received;
}

void WaitForSocketOrInput(SocketHandle socket, unsigned timeoutMs) {
    // The socket's readiness becomes an event the thread can wait on together
    // with its message queue. WSAEventSelect leaves the socket non-blocking,
    // which the datagram sockets this serves already are.
    WSAEVENT event = ::WSACreateEvent();
    if (event == WSA_INVALID_EVENT) {
        ::Sleep(timeoutMs);
        return;
    }
    if (::WSAEventSelect(Native(socket), event, FD_READ) == 0) {
        // MWMO_INPUTAVAILABLE: messages already waiting (even if seen by an
        // earlier peek) end the wait at once.
        ::MsgWaitForMultipleObjectsEx(1, &event, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        ::WSAEventSelect(Native(socket), nullptr, 0);
    } else {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    ::WSACloseEvent(event);
}

void CloseSocket(SocketHandle socket) { ::closesocket(Native(socket)); }

void ResetConnection(SocketHandle socket) {
    linger immediate;
    immediate.l_onoff = 1;
    immediate.l_linger = 0;
    ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&immediate), sizeof immediate);
    ::closesocket(Native(socket));
}

int ListLocalAddresses(std::uint32_t* addresses, int capacity) {
    char hostName[128];
    std::memset(hostName, 0, sizeof hostName);
    if (::gethostname(hostName, static_cast<int>(sizeof hostName) - 1) != 0) return 0;
    const hostent* host = ::gethostbyname(hostName);
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4) return 0;
    int count = 0;
    for (; count < capacity && host->h_addr_list[count] != nullptr; ++count) {
        u_long networkOrder;
        std::memcpy(&networkOrder, host->h_addr_list[count], 4);
        addresses[count] = ::ntohl(networkOrder);
    }
    return count;
}
