// The TFTP session's retransmission schedule (see retransmission.h).
#include "tftp/retransmission.h"

std::uint32_t RetransmissionIntervalMs(unsigned sends) {
    std::uint32_t interval = kFirstRetransmissionMs;
    for (unsigned i = 1; i < sends && interval < kLongestRetransmissionMs; ++i) interval *= 2;
    return interval < kLongestRetransmissionMs ? interval : kLongestRetransmissionMs;
}

void NoteSending(TftpRetransmission* timer, std::uint32_t now) {
    ++timer->sends;
    timer->intervalStart = now;
}

std::uint32_t IntervalLeftMs(const TftpRetransmission& timer, std::uint32_t now) {
    std::uint32_t elapsed = now - timer.intervalStart;  // unsigned: right across the wrap
    std::uint32_t interval = RetransmissionIntervalMs(timer.sends);
    return elapsed >= interval ? 0 : interval - elapsed;
}
