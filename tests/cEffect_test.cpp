#include "effects/cEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RoundToByte, RoundsHalvesToEvenAndKeepsTheLowByte) {
    EXPECT_EQ(roundToByte(2.5f), 2);
    EXPECT_EQ(roundToByte(3.5f), 4);
    EXPECT_EQ(roundToByte(255.5f), 0);  // the tie goes to 256, which wraps
    EXPECT_EQ(roundToByte(255.6f), 0);
    EXPECT_EQ(roundToByte(254.5f), 254);
    EXPECT_EQ(roundToByte(-0.5f), 0);
    EXPECT_EQ(roundToByte(-1.2f), 255);
    EXPECT_EQ(roundToByte(-1.5f), 254);
    EXPECT_EQ(roundToByte(-256.5f), 0);
    EXPECT_EQ(roundToByte(1000.4f), 1000 & 0xFF);
}

TEST(RoundToByte, GivesTheExactLowByteFarOutsideIntRangeAndZeroForNonNumbers) {
    EXPECT_EQ(roundToByte(1e10f), static_cast<int64_t>(1e10f) & 0xFF);
    EXPECT_EQ(roundToByte(-3e9f), static_cast<int64_t>(-3e9f) & 0xFF);
    EXPECT_EQ(roundToByte(1e30f), 0);  // a multiple of 256
    EXPECT_EQ(roundToByte(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(roundToByte(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(roundToByte(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(TruncateAndMask, TruncatesTowardZeroBeforeMasking) {
    EXPECT_EQ(truncateAndMask(15.9f, 15), 15);
    EXPECT_EQ(truncateAndMask(16.0f, 15), 0);
    EXPECT_EQ(truncateAndMask(37.5f, 15), 5);
    EXPECT_EQ(truncateAndMask(1.7f, 3), 1);
    EXPECT_EQ(truncateAndMask(-0.9f, 15), 0);  // toward zero, not down
    EXPECT_EQ(truncateAndMask(-1.5f, 15), -1 & 15);
    EXPECT_EQ(truncateAndMask(-17.2f, 3), -17 & 3);
}

TEST(TruncateAndMask, GivesTheExactLowBitsFarOutsideIntRangeAndZeroForNonNumbers) {
    EXPECT_EQ(truncateAndMask(3e9f, 15), static_cast<int64_t>(3e9f) & 15);
    EXPECT_EQ(truncateAndMask(-5e9f, 15), static_cast<int64_t>(-5e9f) & 15);
    EXPECT_EQ(truncateAndMask(std::numeric_limits<float>::infinity(), 15), 0);
    EXPECT_EQ(truncateAndMask(std::numeric_limits<float>::quiet_NaN(), 3), 0);
}

namespace {

int stepsTo(float& last, float t) {
    int steps = 0;
    advanceStepClock(last, t, [&] { ++steps; });
    return steps;
}

}  // namespace

TEST(StepClock, StepsOncePerWholeTenthAndCarriesTheRest) {
    float last = 0;
    EXPECT_EQ(stepsTo(last, 0.05f), 0);
    EXPECT_EQ(last, 0.0f);

    EXPECT_EQ(stepsTo(last, 0.25f), 2);
    EXPECT_EQ(last, 0.1f + 0.1f);

    // 0.3 - 0.2 in single precision is just above the double 0.1.
    EXPECT_EQ(stepsTo(last, 0.3f), 1);
    EXPECT_EQ(stepsTo(last, 0.3f), 0);
}

TEST(StepClock, TheSinglePrecisionTenthIsAboveTheDoubleTenth) {
    float last = 0;
    EXPECT_EQ(stepsTo(last, 0.1f), 1);
    EXPECT_EQ(last, 0.1f);
}

TEST(StepClock, EndsForHugeAndInfiniteTimes) {
    float last = 0;
    stepsTo(last, 1e9f);
    last = 0;
    EXPECT_EQ(stepsTo(last, std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(stepsTo(last, std::numeric_limits<float>::quiet_NaN()), 0);
}
