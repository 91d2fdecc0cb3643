// When the TFTP session sends its outstanding packet (the OACK or a DATA
// block) again, and when it gives up on the device. A lost packet is sent
// again after 100 ms, as a retransmission interval of 100 idle polls of
// 1 ms always was; each further interval doubles, up to 1.75 s. So the 30
// intervals together span 46.85 s (0.1 + 0.2 + 0.4 + 0.8 + 1.6 + 25 x 1.75),
// what the 30 intervals of 100 polls span where a 1 ms sleep lasts a timer
// tick of 15.6 ms (46.8 s, Windows at its default resolution): a device
// that pauses before an ACK (erasing its flash; the OACK allows it a timeout
// of 5 s) is waited for as long as there, and a lost packet is still
// repaired at once.
#pragma once

#include <cstdint>

constexpr std::uint32_t kFirstRetransmissionMs = 100;
constexpr std::uint32_t kLongestRetransmissionMs = 1750;
// A packet is sent at most this often: once, and again after each interval
// but the last; the last interval without the expected ACK ends the transfer.
constexpr unsigned kTftpMaxIntervals = 30;

// The length of the interval that follows the packet's `sends`-th sending
// (1 for the first).
std::uint32_t RetransmissionIntervalMs(unsigned sends);

// The retransmission clock of the outstanding packet.
struct TftpRetransmission {
    unsigned sends;               // the packet's sendings so far, 1 to 30
    std::uint32_t intervalStart;  // the clock when it was last sent
};

// Notes a sending at clock time now.
void NoteSending(TftpRetransmission* timer, std::uint32_t now);
// The milliseconds left of the current interval at clock time now; 0 when
// it has ended (across the clock's 32-bit wrap too).
std::uint32_t IntervalLeftMs(const TftpRetransmission& timer, std::uint32_t now);
