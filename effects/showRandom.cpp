#include "effects/showRandom.h"

namespace {
uint32_t seed = 1;
}

int showRand() {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) & 0x7FFF);
}

void showRandReset(uint32_t newSeed) { seed = newSeed; }
