// The monotonic millisecond clock and sleeping.
#include <time.h>

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"

void SleepMilliseconds(unsigned milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::uint32_t MillisecondClock() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncated to 32 bits: the clock wraps like timeGetTime.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}
