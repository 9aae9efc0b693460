// The one pseudo-random generator shared by the shell and every effect:
// seed' = seed x 1103515245 + 12345 (mod 2^32), result (seed' >> 16) & 0x7FFF.
// It starts from seed 1, so the whole show draws the same sequence every run.
#pragma once

#include <cstdint>

constexpr uint32_t kShowRandMultiplier = 1103515245u;
constexpr uint32_t kShowRandIncrement = 12345u;

// The next value, 0 to 32767.
int showRand();

// Restarts the sequence from the given seed (1 is the start of the show).
void showRandReset(uint32_t seed = 1);

// The generator's state, for loops that draw many values from a local copy
// and hand it back with showRandReset, leaving the sequence as it was.
uint32_t showRandSeed();

// One step of the generator and the value it yields.
inline uint32_t showRandStep(uint32_t seed) { return seed * kShowRandMultiplier + kShowRandIncrement; }
inline int showRandValue(uint32_t steppedSeed) { return static_cast<int>((steppedSeed >> 16) & 0x7FFF); }

// n steps at once: seed after n steps = multiplier x seed + increment (mod
// 2^32), so several lanes can each run the sequence n values apart.
struct ShowRandJump {
    uint32_t multiplier;
    uint32_t increment;
    uint32_t apply(uint32_t seed) const { return seed * multiplier + increment; }
};
ShowRandJump showRandJump(uint32_t steps);
