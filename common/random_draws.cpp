// The process-wide pseudo-random generator. It is the Windows C runtime's
// `rand` generator with one state for the process: the runtime's own keeps
// its state per thread, so every HTTP worker thread drew the first value of
// an unseeded generator and the client nonce never changed.
#include "common/random_draws.h"

#include "common/upgrade_state.h"

namespace {

constexpr std::uint32_t kMultiplier = 214013u;
constexpr std::uint32_t kIncrement = 2531011u;

}  // namespace

void SeedRandomDraws(unsigned seed) { g_upgrade.randomDraws.state.store(seed, std::memory_order_relaxed); }

unsigned DrawRandomNumber() {
    RandomDraws& draws = g_upgrade.randomDraws;
    if (draws.scriptedNext < draws.scriptedCount) return draws.scripted[draws.scriptedNext++];
    std::uint32_t state = draws.state.load(std::memory_order_relaxed);
    std::uint32_t next;
    do {
        next = state * kMultiplier + kIncrement;
    } while (!draws.state.compare_exchange_weak(state, next, std::memory_order_relaxed));
    return (next >> 16) & 0x7FFFu;
}

void ScriptRandomDraws(std::initializer_list<unsigned> values) {
    RandomDraws& draws = g_upgrade.randomDraws;
    draws.scriptedCount = 0;
    draws.scriptedNext = 0;
    for (unsigned value : values) {
        if (draws.scriptedCount < kMaxScriptedDraws) draws.scripted[draws.scriptedCount++] = value;
    }
}
