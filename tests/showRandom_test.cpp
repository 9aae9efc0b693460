#include "effects/showRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

TEST(ShowRandom, DrawsTheFixedSequenceFromSeedOne) {
    showRandReset();
    EXPECT_EQ(showRand(), 16838);
    EXPECT_EQ(showRand(), 5758);
    EXPECT_EQ(showRand(), 10113);
    EXPECT_EQ(showRand(), 17515);
    EXPECT_EQ(showRand(), 31051);
}

TEST(ShowRandom, AJumpOfNStepsLandsWhereNCallsDo) {
    for (uint32_t steps : {0u, 1u, 2u, 7u, 8u, 320u, 76800u}) {
        showRandReset(99);
        for (uint32_t i = 0; i < steps; ++i) showRand();
        EXPECT_EQ(showRandJump(steps).apply(99), showRandSeed()) << steps;
    }
}

TEST(ShowRandom, HighHalfJumpMatchesTheFullJumpAlongTheLowHalvesCycle) {
    constexpr uint32_t kPadding = 40;
    for (uint32_t steps : {1u, 32u, 77u}) {
        const ShowRandHighHalfJump jump(steps, kPadding);
        const ShowRandJump full = showRandJump(steps);
        for (uint32_t seed : {0u, 1u, 0xFFFFu, 0x10000u, 0x7FFF8000u, 0x8000FFFFu, 0xFFFF0000u, 0xFFFFFFFFu}) {
            EXPECT_EQ(jump.highAfter(seed), full.apply(seed) >> 16) << steps << " " << seed;

            // The states after seed sit at the following places of the
            // cycle, wrapping at its end; the padding reads on past it.
            uint32_t state = seed;
            for (uint32_t k = 1; k <= 3 * kPadding; ++k) {
                state = showRandStep(state);
                const uint32_t place = (jump.positionOf(seed) + k) % ShowRandHighHalfJump::kCycle;
                ASSERT_EQ(jump.positionOf(state), place) << steps << " " << seed << " " << k;
                ASSERT_EQ(jump.highTerms()[place], full.apply(state & 0xFFFFu) >> 16);
            }
        }
        for (uint32_t i = 0; i < kPadding; ++i) {
            EXPECT_EQ(jump.highTerms()[ShowRandHighHalfJump::kCycle + i], jump.highTerms()[i]) << i;
        }
        // Every low half has its own place.
        std::vector<bool> seen(ShowRandHighHalfJump::kCycle);
        for (uint32_t low = 0; low < ShowRandHighHalfJump::kCycle; ++low) seen[jump.positionOf(low)] = true;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), ShowRandHighHalfJump::kCycle);
    }
}
