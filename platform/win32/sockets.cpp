// Winsock for the Windows program: the socket library, TCP and UDP sockets,
// waiting for a datagram while the calling thread's dialogs stay live (with
// one event per waited-on socket, kept until the socket is closed), and this
// PC's addresses from a host-name lookup.
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

// The events of the sockets waited on: made and selected for FD_READ at a
// socket's first wait, closed with the socket. A free slot has no event.
// More sockets than slots are never waited on at once in this program.
constexpr int kSocketEventSlots = 8;

struct SocketEventTable {
    SRWLOCK lock;
    struct Slot {
        SOCKET socket;
        WSAEVENT event;
    } slots[kSocketEventSlots];
};

SocketEventTable& SocketEvents() {
    static SocketEventTable table = {SRWLOCK_INIT, {}};
    return table;
}

// The socket's event, made on first use; WSA_INVALID_EVENT when none can be had.
WSAEVENT EventOf(SOCKET socket) {
    SocketEventTable& table = SocketEvents();
    ::AcquireSRWLockExclusive(&table.lock);
    WSAEVENT found = WSA_INVALID_EVENT;
    SocketEventTable::Slot* free = nullptr;
    for (SocketEventTable::Slot& slot : table.slots) {
        if (slot.event == WSA_INVALID_EVENT) {
            if (free == nullptr) free = &slot;
        } else if (slot.socket == socket) {
            found = slot.event;
        }
    }
    if (found == WSA_INVALID_EVENT && free != nullptr) {
        // WSAEventSelect leaves the socket non-blocking, which the datagram
        // sockets waited on already are.
        WSAEVENT event = ::WSACreateEvent();
        if (event != WSA_INVALID_EVENT && ::WSAEventSelect(socket, event, FD_READ) == 0) {
            free->socket = socket;
            free->event = event;
            found = event;
        } else if (event != WSA_INVALID_EVENT) {
            ::WSACloseEvent(event);
        }
    }
    ::ReleaseSRWLockExclusive(&table.lock);
    return found;
}

// Closes the socket and its event, if it has one. Both happen under the
// lock, so that a new socket given the same handle never finds the old event.
void CloseWithEvent(SOCKET socket) {
    SocketEventTable& table = SocketEvents();
    ::AcquireSRWLockExclusive(&table.lock);
    ::closesocket(socket);
    for (SocketEventTable::Slot& slot : table.slots) {
        if (slot.event != WSA_INVALID_EVENT && slot.socket == socket) {
            ::WSACloseEvent(slot.event);
            slot.event = WSA_INVALID_EVENT;
        }
    }
    ::ReleaseSRWLockExclusive(&table.lock);
}

bool DatagramWaiting(SOCKET socket) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval now = {0, 0};
    return ::select(0, &readable, nullptr, nullptr, &now) > 0;
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
    // Only input that is new since the thread last looked at its queue ends
    // the wait early (no MWMO_INPUTAVAILABLE): a message the dialog's pump
    // never takes would otherwise end every wait at once.
    WSAEVENT event = EventOf(Native(socket));
    if (event == WSA_INVALID_EVENT) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, 0);
        return;
    }
    // FD_READ is recorded once and then not again until the next receive: a
    // datagram an earlier wait saw but nobody received yet would not set the
    // event again. So the event is reset (with what it recorded) and the
    // socket itself asked; while nothing waits, recording is on, and a
    // datagram that arrives from then on sets the event.
    WSANETWORKEVENTS recorded;
    ::WSAEnumNetworkEvents(Native(socket), event, &recorded);
    if (DatagramWaiting(Native(socket))) return;
    ::MsgWaitForMultipleObjectsEx(1, &event, timeoutMs, QS_ALLINPUT, 0);
}

void CloseSocket(SocketHandle socket) { CloseWithEvent(Native(socket)); }

void ResetConnection(SocketHandle socket) {
    linger immediate;
    immediate.l_onoff = 1;
    immediate.l_linger = 0;
    ::setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&immediate), sizeof immediate);
    CloseWithEvent(Native(socket));
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
