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

TEST(ShowRandom, StaysInFifteenBitsAndRestartsOnReset) {
    showRandReset(12345);
    int first[100];
    for (int& value : first) {
        value = showRand();
        EXPECT_GE(value, 0);
        EXPECT_LE(value, 32767);
    }
    showRandReset(12345);
    for (int value : first) EXPECT_EQ(showRand(), value);
}
