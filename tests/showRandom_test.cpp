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
