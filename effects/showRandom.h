// The one pseudo-random generator shared by the shell and every effect:
// seed' = seed x 1103515245 + 12345 (mod 2^32), result (seed' >> 16) & 0x7FFF.
// It starts from seed 1, so the whole show draws the same sequence every run.
#pragma once

#include <cstdint>
#include <vector>

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

// A jump of a fixed number of steps, seen from the high half of the state.
// The low 16 bits run their own sequence (low' = low x multiplier + increment
// mod 2^16) through all 2^16 values in a fixed cycle, and the high half after
// the jump is high x (the jump's multiplier mod 2^16) + a term that depends
// only on the low half. Indexing that term by the low half's place in the
// cycle lets a loop step the high halves of many consecutive states with one
// multiply and one table read each, the term for the state k places further
// on being k entries further along the table.
class ShowRandHighHalfJump {
public:
    static constexpr uint32_t kCycle = 65536;

    // padding: how many entries past the end of the cycle the table repeats
    // its start, so reads of a few consecutive entries never wrap.
    ShowRandHighHalfJump(uint32_t steps, uint32_t padding);

    // The place of a state's low half in the cycle, 0 to 65535.
    uint32_t positionOf(uint32_t seed) const { return positionOfLow[seed & 0xFFFFu]; }

    // The term for the state at each place of the cycle, kCycle + padding
    // entries.
    const uint16_t* highTerms() const { return terms.data(); }
    uint16_t highMultiplier() const { return multiplierLow; }

    // The high half of the state steps after seed.
    uint16_t highAfter(uint32_t seed) const {
        return static_cast<uint16_t>((seed >> 16) * multiplierLow + terms[positionOf(seed)]);
    }

private:
    std::vector<uint16_t> positionOfLow;
    std::vector<uint16_t> terms;
    uint16_t multiplierLow;
};
