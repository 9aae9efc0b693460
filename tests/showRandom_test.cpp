#include "effects/showRandom.h"

#include <gtest/gtest.h>

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
