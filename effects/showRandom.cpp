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
