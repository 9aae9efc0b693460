#include "effects/showRandom.h"

namespace {
uint32_t seed = 1;
}

int showRand() {
    seed = showRandStep(seed);
    return showRandValue(seed);
}

void showRandReset(uint32_t newSeed) { seed = newSeed; }

uint32_t showRandSeed() { return seed; }

// Composes the step with itself by squaring: a jump of a then b steps is
// (ma x mb, ia x mb + ib).
ShowRandJump showRandJump(uint32_t steps) {
    ShowRandJump total{1u, 0u};
    ShowRandJump power{kShowRandMultiplier, kShowRandIncrement};
    while (steps != 0) {
        if (steps & 1u)
            total = {total.multiplier * power.multiplier, total.increment * power.multiplier + power.increment};
        power = {power.multiplier * power.multiplier, power.increment * power.multiplier + power.increment};
        steps >>= 1;
    }
    return total;
}

ShowRandHighHalfJump::ShowRandHighHalfJump(uint32_t steps, uint32_t padding)
    : positionOfLow(kCycle), terms(kCycle + padding) {
    const ShowRandJump jump = showRandJump(steps);
    multiplierLow = static_cast<uint16_t>(jump.multiplier);
    // Low halves from 0 along their cycle; the multiplier is 1 mod 4 and the
    // increment odd, so the cycle visits all 2^16 values once.
    uint32_t low = 0;
    for (uint32_t position = 0; position < kCycle; ++position) {
        positionOfLow[low] = static_cast<uint16_t>(position);
        terms[position] = static_cast<uint16_t>(jump.apply(low) >> 16);
        low = showRandStep(low) & 0xFFFFu;
    }
    for (uint32_t i = 0; i < padding; ++i) terms[kCycle + i] = terms[i % kCycle];
}
