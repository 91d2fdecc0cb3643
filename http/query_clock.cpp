// The device query runner's clock and wait over the platform layer.
#include "http/query_clock.h"

std::uint32_t QueryClock() { return MillisecondClock(); }

void WaitForWorkerOrInput(ThreadHandle worker, unsigned timeoutMs) {
    if (worker != nullptr) {
        WaitForThreadOrInput(worker, timeoutMs);
    } else {
        WaitForInput(timeoutMs);
    }
}
