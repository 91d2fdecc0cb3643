// The random draws of the upgrade file name and the client nonce: the
// operating system's generator, shared by both platforms, with the scripted
// draws of the tests in front. The file name is all that keeps another host
// on the LAN from being served the image, so it is not drawn from a
// predictable generator; a system without one (it never happens on the
// supported systems) falls back on a generator seeded from the clock.
#include <atomic>
#include <cstdint>

#include "platform/platform.h"

namespace {

constexpr unsigned kDrawMask = 0x7FFFu;  // draws run from 0 to 32767
constexpr std::uint32_t kFallbackMultiplier = 214013u;
constexpr std::uint32_t kFallbackIncrement = 2531011u;

struct RandomDraws {
    // Draws a test put before the system's, taken in order by any thread.
    unsigned scripted[kMaxScriptedDraws];
    std::atomic<int> scriptedCount;
    std::atomic<int> scriptedNext;
    // The fallback generator's state, seeded at its first use.
    std::atomic<std::uint32_t> fallbackState;
    std::atomic<bool> fallbackSeeded;
};

RandomDraws& Draws() {
    static RandomDraws draws;
    return draws;
}

unsigned FallbackDraw(RandomDraws& draws) {
    if (!draws.fallbackSeeded.exchange(true)) draws.fallbackState.store(MillisecondClock());
    std::uint32_t state = draws.fallbackState.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = state * kFallbackMultiplier + kFallbackIncrement;
    } while (!draws.fallbackState.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return (next >> 16) & kDrawMask;
}

}  // namespace

unsigned DrawRandomNumber() {
    RandomDraws& draws = Draws();
    int next = draws.scriptedNext.load();
    while (next < draws.scriptedCount.load()) {
        if (draws.scriptedNext.compare_exchange_weak(next, next + 1)) return draws.scripted[next];
    }
    std::uint16_t bits = 0;
    if (!ReadSystemRandom(&bits, sizeof bits)) return FallbackDraw(draws);
    return bits & kDrawMask;
}

void ScriptRandomDraws(std::initializer_list<unsigned> values) {
    RandomDraws& draws = Draws();
    int count = 0;
    for (unsigned value : values) {
        if (count < kMaxScriptedDraws) draws.scripted[count++] = value;
    }
    draws.scriptedNext.store(0);
    draws.scriptedCount.store(count);
}
