// The process-wide pseudo-random draws, taken by the upgrade file name and
// the client nonce: one generator for the whole process, seeded once at
// start-up. Tests can script the draws to know the names and requests.
#pragma once

#include <initializer_list>

// Seeds the generator (start-up, once).
void SeedRandomDraws(unsigned seed);

// The next draw, 0 to 32767, from any thread; or the next scripted value
// while any remain (callers mask a draw to the width they use).
unsigned DrawRandomNumber();

// Tests: the next draws are these values (at most kMaxScriptedDraws), in
// order; the generator's follow. Call before the threads that draw start.
void ScriptRandomDraws(std::initializer_list<unsigned> values);
