// A scripted stand-in for tftp/tftp_transport.cpp: datagrams without a
// network and a clock that moves only when the server waits. Linked as an
// object file into the TFTP test programs that want it, so that the
// archive's real transport is never pulled in.
//
//   fake_tftp::Reset(0xFFFFF000);                  // in SetUp: clock start
//   fake_tftp::SetPeer([](const fake_tftp::SentPacket& sent) {
//       fake_tftp::Deliver(AckFor(sent), kPeer, kPeerPort);   // answer at once
//   });
//   fake_tftp::Deliver(ReadRequest("/qev1.bi1"), kPeer, kPeerPort);
//
// Every packet the server sends is recorded with the clock at that moment
// and handed to the peer, which may queue replies: they are received in
// order, one per receive. A datagram longer than 1024 bytes is dropped by
// the receive, as the platform layer does. A wait with something queued
// ends at once; otherwise the clock moves on to the wait's end, or to the
// time a scheduled datagram arrives (DeliverAt), which ends it. Every wait
// also reports input, as a busy user's would, so the server takes input at
// each (fake_ui.h acts at a pump); WakeEarly makes waits end at once with
// input and no time passing, as window messages do.
//
// The server and the peer run on one thread: the test's, or the server's own
// once the test has set everything up (DeliverWhen). A server that waits
// past any test's need aborts the test program.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace fake_tftp {

struct SentPacket {
    std::vector<std::uint8_t> bytes;
    std::uint32_t address;  // host order
    std::uint16_t port;
    std::uint32_t time;          // the clock when it was sent
    unsigned waitsBefore;        // waits for a datagram done before it was sent
};

typedef std::function<void(const SentPacket&)> Peer;

// Forgets everything; the clock starts at clockStart.
void Reset(std::uint32_t clockStart = 0);
void SetPeer(Peer peer);
// Queues a datagram for the server, from that sender (host order).
void Deliver(const std::vector<std::uint8_t>& bytes, std::uint32_t address, std::uint16_t port);
// Queues the datagram when the clock reaches `time` (no earlier than the
// clock at Reset, nor 2^31 ms after it).
void DeliverAt(std::uint32_t time, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
               std::uint16_t port);
// Queues the datagram once ready() says so, which a wait asks (from the
// server's thread); until then each such wait also lasts a real
// millisecond, for another thread of the test to act. For a server on a
// thread of its own that must not see the datagram before something else
// has happened (the program's upgrade command reaching the device).
void DeliverWhen(std::function<bool()> ready, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                 std::uint16_t port);
// The next count waits end at once with input, without time passing.
void WakeEarly(unsigned count);

std::vector<SentPacket> Sent();
std::uint32_t Now();
// Waits for a datagram (or input) so far, and their timeouts in order.
unsigned Waits();
std::vector<unsigned> WaitTimeouts();
// The clock at the start of each wait for input alone (the reboot wait's).
std::vector<std::uint32_t> InputWaitStarts();

}  // namespace fake_tftp
