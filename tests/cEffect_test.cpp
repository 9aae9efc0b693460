#include "effects/cEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
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

namespace {

// The rounding and truncation written out with exact double arithmetic, for
// comparing the fast conversions with over the whole float range.
int exactLowBits(double whole, int modulus) {
    double wrapped = std::fmod(whole, static_cast<double>(modulus));
    if (wrapped < 0) wrapped += modulus;
    return static_cast<int>(wrapped);
}

float floatFromBits(uint32_t bits) {
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

}  // namespace

TEST(RoundToByte, AgreesWithExactRoundingAcrossTheFloatRange) {
    // A stride that is odd and not a power of two visits every exponent and
    // many mantissa patterns, both signs, NaNs and infinities.
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 251) {
        const float x = floatFromBits(static_cast<uint32_t>(bits));
        const int expected = std::isfinite(x) ? exactLowBits(std::nearbyint(static_cast<double>(x)), 256) : 0;
        ASSERT_EQ(roundToByte(x), expected) << "bits " << std::hex << bits;
    }
    for (float x : {2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483520.0f, 8388607.5f, -8388607.5f}) {
        EXPECT_EQ(roundToByte(x), exactLowBits(std::nearbyint(static_cast<double>(x)), 256)) << x;
    }
}

TEST(TruncateAndMask, AgreesWithExactTruncationAcrossTheFloatRange) {
    for (int mask : {3, 15, 255, 65535}) {
        for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 4099) {
            const float x = floatFromBits(static_cast<uint32_t>(bits));
            const int expected = std::isfinite(x) ? exactLowBits(std::trunc(static_cast<double>(x)), mask + 1) : 0;
            ASSERT_EQ(truncateAndMask(x, mask), expected) << "mask " << mask << " bits " << std::hex << bits;
        }
        EXPECT_EQ(truncateAndMask(-2147483648.0f, mask), 0);
        EXPECT_EQ(truncateAndMask(2147483648.0f, mask), 0);
    }
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
