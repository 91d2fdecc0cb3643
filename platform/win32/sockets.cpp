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
//
// Each event resets itself when a wait takes its signal, and Winsock sets it
// again only after the next receive (FD_READ is re-enabled by recvfrom, and
// signalled at once if datagrams remain). So a wait that took the signal
// notes it in the slot until the next receive: a second wait before that
// receive still returns at once, and the common round of one wait, one
// receive and one send costs no further call into the socket layer.
constexpr int kSocketEventSlots = 8;

struct SocketEventTable {
    SRWLOCK lock;
    struct Slot {
        SOCKET socket;
        HANDLE event;          // auto-reset; nullptr: the slot is free
        bool datagramWaiting;  // a wait took the event's signal; no receive since
    } slots[kSocketEventSlots];
};

SocketEventTable& SocketEvents() {
    static SocketEventTable table = {SRWLOCK_INIT, {}};
    return table;
}

// The socket's slot, or nullptr; the caller holds the lock.
SocketEventTable::Slot* SlotOf(SocketEventTable& table, SOCKET socket) {
    for (SocketEventTable::Slot& slot : table.slots) {
        if (slot.event != nullptr && slot.socket == socket) return &slot;
    }
    return nullptr;
}

// The socket's slot, made on first use (the event selected for FD_READ);
// nullptr when none can be had. The caller holds the lock.
SocketEventTable::Slot* MakeSlotFor(SocketEventTable& table, SOCKET socket) {
    SocketEventTable::Slot* slot = SlotOf(table, socket);
    if (slot != nullptr) return slot;
    for (SocketEventTable::Slot& free : table.slots) {
        if (free.event != nullptr) continue;
        HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        // WSAEventSelect leaves the socket non-blocking, which the datagram
        // sockets waited on already are; a datagram already queued signals
        // the event at once.
        if (event == nullptr) return nullptr;
        if (::WSAEventSelect(socket, event, FD_READ) != 0) {
            ::CloseHandle(event);
            return nullptr;
        }
        free.socket = socket;
        free.event = event;
        free.datagramWaiting = false;
        return &free;
    }
    return nullptr;
}

// Closes the socket and its event, if it has one. Both happen under the
// lock, so that a new socket given the same handle never finds the old event.
void CloseWithEvent(SOCKET socket) {
    SocketEventTable& table = SocketEvents();
    ::AcquireSRWLockExclusive(&table.lock);
    ::closesocket(socket);
    if (SocketEventTable::Slot* slot = SlotOf(table, socket)) {
        ::CloseHandle(slot->event);
        slot->event = nullptr;
    }
    ::ReleaseSRWLockExclusive(&table.lock);
}

// A receive is about to take what a wait saw (or find nothing): the note goes.
void ForgetWaitingDatagram(SOCKET socket) {
    SocketEventTable& table = SocketEvents();
    ::AcquireSRWLockExclusive(&table.lock);
    if (SocketEventTable::Slot* slot = SlotOf(table, socket)) slot->datagramWaiting = false;
    ::ReleaseSRWLockExclusive(&table.lock);
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

bool ConnectSocket(SocketHandle socket, const SocketAddress& address, ConnectFailure* why) {
    sockaddr_in system = ToSystem(address);
    bool connected = ::connect(Native(socket), reinterpret_cast<const sockaddr*>(&system), sizeof system) == 0;
    if (why != nullptr) {
        if (connected) {
            *why = ConnectFailure::None;
        } else {
            switch (::WSAGetLastError()) {
                case WSAECONNREFUSED: *why = ConnectFailure::Refused; break;
                case WSAETIMEDOUT: *why = ConnectFailure::TimedOut; break;
                case WSAENETUNREACH:
                case WSAEHOSTUNREACH: *why = ConnectFailure::Unreachable; break;
                default: *why = ConnectFailure::Other; break;
            }
        }
    }
    return connected;
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
    ForgetWaitingDatagram(Native(socket));
    int received = ::recvfrom(Native(socket), static_cast<char*>(buffer), capacity, 0,
                              reinterpret_cast<sockaddr*>(&system), &length);
    if (received == SOCKET_ERROR) return -1;
    FromSystem(system, from);
    return received;
}

int WaitForSocketOrInput(SocketHandle socket, unsigned timeoutMs) {
    // Only input that is new since the thread last looked at its queue ends
    // the wait early (no MWMO_INPUTAVAILABLE): a message the dialog's pump
    // never takes would otherwise end every wait at once.
    SocketEventTable& table = SocketEvents();
    ::AcquireSRWLockExclusive(&table.lock);
    SocketEventTable::Slot* slot = MakeSlotFor(table, Native(socket));
    HANDLE event = slot != nullptr ? slot->event : nullptr;
    bool waiting = slot != nullptr && slot->datagramWaiting;
    ::ReleaseSRWLockExclusive(&table.lock);
    if (waiting) return kWaitDatagram;
    if (event == nullptr) {
        // No event to wait on: the socket cannot be watched, so a receive must always look.
        DWORD result = ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, 0);
        return kWaitDatagram | (result == WAIT_OBJECT_0 ? kWaitInput : 0);
    }
    DWORD result = ::MsgWaitForMultipleObjectsEx(1, &event, timeoutMs, QS_ALLINPUT, 0);
    if (result == WAIT_TIMEOUT) return 0;
    if (result == WAIT_OBJECT_0 + 1) return kWaitInput;
    if (result != WAIT_OBJECT_0) return kWaitDatagram | kWaitInput;  // failed: look at both
    ::AcquireSRWLockExclusive(&table.lock);
    slot = SlotOf(table, Native(socket));
    if (slot != nullptr && slot->event == event) slot->datagramWaiting = true;
    ::ReleaseSRWLockExclusive(&table.lock);
    return kWaitDatagram;
}

int WaitForInput(unsigned timeoutMs) {
    // New input only, as in WaitForSocketOrInput.
    DWORD result = ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, 0);
    return result == WAIT_TIMEOUT ? 0 : kWaitInput;
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

bool LocalAddressMask(std::uint32_t, std::uint32_t*) { return false; }
