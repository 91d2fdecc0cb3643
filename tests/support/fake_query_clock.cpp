// A fake clock for the device query runner (http/query_clock.h): each wait
// moves the clock on by its whole timeout, so the runner's timing (the bar's
// steps, the minimum of an attempt without a reply) is seen without waiting
// for it. The worker runs for real: while it has not ended, a wait also
// gives it a real millisecond at most.
#include <atomic>

#include "http/query_clock.h"

namespace {

std::atomic<std::uint32_t>& FakeClock() {
    static std::atomic<std::uint32_t> clock{0};
    return clock;
}

}  // namespace

std::uint32_t QueryClock() { return FakeClock().load(); }

void WaitForWorkerOrInput(ThreadHandle worker, unsigned timeoutMs) {
    if (worker != nullptr) WaitForThreadOrInput(worker, 1);
    FakeClock().fetch_add(timeoutMs);
}
