// The scripted fake of the TFTP server's datagrams, waits and clock.
#include "tests/support/fake_tftp_transport.h"

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "tftp/tftp_transport.h"

namespace fake_tftp {
namespace {

struct Queued {
    std::vector<std::uint8_t> bytes;
    SocketAddress from;
};

struct Scheduled {
    unsigned idleWaits;
    Queued datagram;
};

struct Gated {
    std::function<bool()> ready;
    Queued datagram;
};

struct FakeTransport {
    std::uint32_t clock = 0;
    unsigned idleWaits = 0;
    unsigned earlyWakes = 0;
    std::deque<Queued> queue;
    std::vector<Scheduled> scheduled;
    std::vector<Gated> gated;
    std::vector<SentPacket> sent;
    std::vector<std::uint32_t> sleepStarts;
    Peer peer;
};

// Far more than any test needs: a server that gets here waits forever.
constexpr unsigned kEndlessIdleWaits = 10000000;
constexpr std::size_t kEndlessSleeps = 1000000;

[[noreturn]] void Endless(const char* what) {
    std::fprintf(stderr, "fake_tftp: %s without end; the server would hang\n", what);
    std::abort();
}

FakeTransport& State() {
    static FakeTransport state;
    return state;
}

}  // namespace

void Reset(std::uint32_t clockStart) {
    State() = FakeTransport();
    State().clock = clockStart;
}

void SetPeer(Peer peer) { State().peer = std::move(peer); }

namespace {
Queued Datagram(const std::vector<std::uint8_t>& bytes, std::uint32_t address, std::uint16_t port) {
    Queued queued;
    queued.bytes = bytes;
    FillSocketAddress(address, port, &queued.from);
    return queued;
}
}  // namespace

void Deliver(const std::vector<std::uint8_t>& bytes, std::uint32_t address, std::uint16_t port) {
    State().queue.push_back(Datagram(bytes, address, port));
}

void DeliverAfterIdleWaits(unsigned idleWaits, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                           std::uint16_t port) {
    State().scheduled.push_back(Scheduled{idleWaits, Datagram(bytes, address, port)});
}

void DeliverWhen(std::function<bool()> ready, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                 std::uint16_t port) {
    State().gated.push_back(Gated{std::move(ready), Datagram(bytes, address, port)});
}

void WakeEarly(unsigned count) { State().earlyWakes += count; }
std::vector<SentPacket> Sent() { return State().sent; }
std::uint32_t Now() { return State().clock; }
unsigned IdleWaits() { return State().idleWaits; }
std::vector<std::uint32_t> SleepStarts() { return State().sleepStarts; }

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
    sent.idleWaitsBefore = State().idleWaits;
    State().sent.push_back(sent);
    if (State().peer) State().peer(State().sent.back());
    return length;
}

int WaitForTftpIdlePoll(SocketHandle) {
    if (++State().idleWaits > fake_tftp::kEndlessIdleWaits) fake_tftp::Endless("idle polls");
    std::vector<fake_tftp::Scheduled>& scheduled = State().scheduled;
    for (std::size_t i = 0; i < scheduled.size();) {
        if (scheduled[i].idleWaits > State().idleWaits) {
            ++i;
            continue;
        }
        State().queue.push_back(scheduled[i].datagram);
        scheduled.erase(scheduled.begin() + static_cast<std::ptrdiff_t>(i));
    }
    std::vector<fake_tftp::Gated>& gated = State().gated;
    if (!gated.empty() && State().queue.empty()) {
        if (gated.front().ready()) {
            State().queue.push_back(gated.front().datagram);
            gated.erase(gated.begin());
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // The fake user acts at a pump (fake_ui.h), so every wait reports input:
    // the code under test pumps at every poll, as with a busy user.
    if (State().earlyWakes > 0) {
        --State().earlyWakes;
        return kWaitInput;
    }
    if (!State().queue.empty()) return kWaitDatagram | kWaitInput;
    State().clock += kTftpIdleWaitMs;
    return kWaitInput;
}

std::uint32_t TftpClock() { return State().clock; }

void TftpSleep(unsigned milliseconds) {
    if (State().sleepStarts.size() > fake_tftp::kEndlessSleeps) fake_tftp::Endless("sleeps");
    State().sleepStarts.push_back(State().clock);
    State().clock += milliseconds;
}
