// The scripted fake of the TFTP server's datagrams, waits and clock.
#include "tests/support/fake_tftp_transport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <thread>

#include "tftp/tftp_transport.h"

namespace fake_tftp {
namespace {

struct Queued {
    std::vector<std::uint8_t> bytes;
    SocketAddress from;
};

struct Gated {
    std::function<bool()> ready;
    Queued datagram;
};

struct FakeTransport {
    std::uint32_t start = 0;  // the clock at Reset: scheduled times count from it
    std::uint32_t clock = 0;
    unsigned waits = 0;
    unsigned earlyWakes = 0;
    std::deque<Queued> queue;
    std::multimap<std::uint32_t, Queued> scheduled;  // by time since the start, in order
    std::vector<Gated> gated;
    std::vector<SentPacket> sent;
    std::vector<unsigned> waitTimeouts;
    std::vector<std::uint32_t> inputWaitStarts;
    Peer peer;
};

// Far more than any test needs: a server that gets here waits forever.
constexpr unsigned kEndlessWaits = 10000000;
constexpr std::size_t kEndlessInputWaits = 1000000;

[[noreturn]] void Endless(const char* what) {
    std::fprintf(stderr, "fake_tftp: %s without end; the server would hang\n", what);
    std::abort();
}

FakeTransport& State() {
    static FakeTransport state;
    return state;
}

Queued Datagram(const std::vector<std::uint8_t>& bytes, std::uint32_t address, std::uint16_t port) {
    Queued queued;
    queued.bytes = bytes;
    FillSocketAddress(address, port, &queued.from);
    return queued;
}

// The time since the start (unsigned: right across the clock's wrap).
std::uint32_t Elapsed() { return State().clock - State().start; }

// Queues what is due: scheduled datagrams whose time has come, and the first
// gated one whose moment has (asked only when nothing else waits).
void QueueWhatIsDue() {
    std::multimap<std::uint32_t, Queued>& scheduled = State().scheduled;
    while (!scheduled.empty() && scheduled.begin()->first <= Elapsed()) {
        State().queue.push_back(scheduled.begin()->second);
        scheduled.erase(scheduled.begin());
    }
    std::vector<Gated>& gated = State().gated;
    if (!gated.empty() && State().queue.empty()) {
        if (gated.front().ready()) {
            State().queue.push_back(gated.front().datagram);
            gated.erase(gated.begin());
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

}  // namespace

void Reset(std::uint32_t clockStart) {
    State() = FakeTransport();
    State().start = clockStart;
    State().clock = clockStart;
}

void SetPeer(Peer peer) { State().peer = std::move(peer); }

void Deliver(const std::vector<std::uint8_t>& bytes, std::uint32_t address, std::uint16_t port) {
    State().queue.push_back(Datagram(bytes, address, port));
}

void DeliverAt(std::uint32_t time, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
               std::uint16_t port) {
    State().scheduled.emplace(time - State().start, Datagram(bytes, address, port));
}

void DeliverWhen(std::function<bool()> ready, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                 std::uint16_t port) {
    State().gated.push_back(Gated{std::move(ready), Datagram(bytes, address, port)});
}

void WakeEarly(unsigned count) { State().earlyWakes += count; }
std::vector<SentPacket> Sent() { return State().sent; }
std::uint32_t Now() { return State().clock; }
unsigned Waits() { return State().waits; }
std::vector<unsigned> WaitTimeouts() { return State().waitTimeouts; }
std::vector<std::uint32_t> InputWaitStarts() { return State().inputWaitStarts; }

}  // namespace fake_tftp

using fake_tftp::State;

int ReceiveTftpDatagram(SocketHandle, TftpPacket packet, SocketAddress* from) {
    if (State().queue.empty()) return -1;
    fake_tftp::Queued next = State().queue.front();
    State().queue.pop_front();
    if (next.bytes.size() > static_cast<std::size_t>(kTftpDatagramSize)) return -1;
    if (!next.bytes.empty()) std::memcpy(packet, next.bytes.data(), next.bytes.size());
    *from = next.from;
    return static_cast<int>(next.bytes.size());
}

int SendTftpDatagram(SocketHandle, const TftpPacket packet, int length, const SocketAddress& to) {
    fake_tftp::SentPacket sent;
    sent.bytes.assign(packet, packet + length);
    ReadSocketAddress(to, &sent.address, &sent.port);
    sent.time = State().clock;
    sent.waitsBefore = State().waits;
    State().sent.push_back(sent);
    if (State().peer) State().peer(State().sent.back());
    return length;
}

int WaitForTftpEvent(SocketHandle, unsigned timeoutMs) {
    if (++State().waits > fake_tftp::kEndlessWaits) fake_tftp::Endless("waits");
    State().waitTimeouts.push_back(timeoutMs);
    fake_tftp::QueueWhatIsDue();
    if (State().earlyWakes > 0) {
        --State().earlyWakes;
        return kWaitInput;
    }
    if (!State().queue.empty()) return kWaitDatagram | kWaitInput;
    // The wait lasts its time, or until the next scheduled datagram comes.
    std::uint32_t wait = timeoutMs;
    if (!State().scheduled.empty()) {
        std::uint32_t until = State().scheduled.begin()->first - fake_tftp::Elapsed();
        if (until < wait) wait = until;
    }
    State().clock += wait;
    fake_tftp::QueueWhatIsDue();
    return State().queue.empty() ? kWaitInput : kWaitDatagram | kWaitInput;
}

int WaitForTftpInput(unsigned timeoutMs) {
    if (State().inputWaitStarts.size() > fake_tftp::kEndlessInputWaits) fake_tftp::Endless("waits for input");
    State().inputWaitStarts.push_back(State().clock);
    State().clock += timeoutMs;
    return kWaitInput;
}

std::uint32_t TftpClock() { return State().clock; }
