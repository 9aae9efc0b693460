#include "effects/cStatic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"

using namespace test_support;

namespace {

uint32_t grey(uint32_t pixel, int v) {
    const uint32_t red = std::min<uint32_t>(((pixel >> 16) & 0xff) + v, 255);
    const uint32_t green = std::min<uint32_t>(((pixel >> 8) & 0xff) + v, 255);
    const uint32_t blue = std::min<uint32_t>((pixel & 0xff) + v, 255);
    return red << 16 | green << 8 | blue;
}

constexpr int kWidth = 7;
constexpr int kHeight = 5;
constexpr uint8_t kStreak = 30;
constexpr uint8_t kGrain = 40;

std::vector<uint32_t> startingPixels() {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x00e0d000u + static_cast<uint32_t>(i * 0x010203);
    return pixels;
}

std::vector<uint32_t> drawn(int mode) {
    cStatic noise(kWidth, kHeight, kStreak, kGrain, mode);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*target, startingPixels());
    showRandReset();
    EXPECT_EQ(noise.drawAdditive(*target), 1);
    return readPixels32(*target);
}

}  // namespace

TEST(StaticNoise, GrainOnlyDrawsOneValuePerPixelInRowOrder) {
    const auto before = startingPixels();
    const auto after = drawn(cStatic::MODE_GRAIN);
    showRandReset();
    for (int i = 0; i < kWidth * kHeight; ++i) EXPECT_EQ(after[i], grey(before[i], showRand() % kGrain)) << i;
}

TEST(StaticNoise, ColumnStreaksAreDrawnForEveryColumnFirst) {
    const auto before = startingPixels();
    showRandReset();
    std::vector<int> column(kWidth);
    for (int& c : column) c = showRand() % kStreak;
    std::vector<int> grainAfterColumns;
    for (int i = 0; i < kWidth * kHeight; ++i) grainAfterColumns.push_back(showRand() % kGrain);

    const auto streaks = drawn(cStatic::MODE_COLUMN_STREAKS);
    const auto streaksAndGrain = drawn(cStatic::MODE_COLUMN_STREAKS_GRAIN);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int i = y * kWidth + x;
            EXPECT_EQ(streaks[i], grey(before[i], column[x])) << x << "," << y;
            EXPECT_EQ(streaksAndGrain[i], grey(before[i], column[x] + grainAfterColumns[i])) << x << "," << y;
        }
    }
}

TEST(StaticNoise, RowStreakIsDrawnBeforeTheRowsPixels) {
    const auto before = startingPixels();
    showRandReset();
    std::vector<int> rowOnly;
    for (int y = 0; y < kHeight; ++y) rowOnly.push_back(showRand() % kStreak);
    const auto streaks = drawn(cStatic::MODE_ROW_STREAKS);
    for (int i = 0; i < kWidth * kHeight; ++i) EXPECT_EQ(streaks[i], grey(before[i], rowOnly[i / kWidth])) << i;

    const auto streaksAndGrain = drawn(cStatic::MODE_ROW_STREAKS_GRAIN);
    showRandReset();
    for (int y = 0; y < kHeight; ++y) {
        const int row = showRand() % kStreak;
        for (int x = 0; x < kWidth; ++x) {
            const int i = y * kWidth + x;
            EXPECT_EQ(streaksAndGrain[i], grey(before[i], row + showRand() % kGrain)) << x << "," << y;
        }
    }
}

TEST(StaticNoise, SaturatesEachChannelAndClearsTheTopByte) {
    // Levels of 1 add nothing, which isolates the top byte.
    for (int mode = 1; mode <= 5; ++mode) {
        cStatic noise(2, 1, 1, 1, mode);
        auto target = makeSurface(2, 1, directFormat());
        writePixels32(*target, {0xff102030, 0x00000000});
        noise.drawAdditive(*target);
        EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0x00102030, 0x00000000})) << "mode " << mode;
    }

    // A row streak of 20 pushes 240 past 255 in every channel.
    cStatic noise(1, 1, 255, 1, cStatic::MODE_ROW_STREAKS);
    auto target = makeSurface(1, 1, directFormat());
    writePixels32(*target, {0x00f0f0f0});
    uint32_t seed = 1;
    for (;; ++seed) {
        showRandReset(seed);
        if (showRand() % 255 == 20) break;
    }
    showRandReset(seed);
    noise.drawAdditive(*target);
    EXPECT_EQ(readPixels32(*target)[0], 0x00ffffffu);
}

TEST(StaticNoise, TheSumOfStreakAndGrainWrapsAt256) {
    cStatic noise(1, 1, 255, 255, cStatic::MODE_ROW_STREAKS_GRAIN);
    auto target = makeSurface(1, 1, directFormat());
    // Find a seed whose two draws pass 255 together.
    uint32_t seed = 1;
    int sum = 0;
    for (;; ++seed) {
        showRandReset(seed);
        sum = showRand() % 255 + showRand() % 255;
        if (sum > 256 + 16) break;
    }
    showRandReset(seed);
    writePixels32(*target, {0x00000000});
    noise.drawAdditive(*target);
    EXPECT_EQ(readPixels32(*target)[0], grey(0, sum - 256));
}

TEST(StaticNoise, OtherModesChangeNothingAndDrawNoNumbers) {
    cStatic noise(kWidth, kHeight, kStreak, kGrain, 6);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*target, startingPixels());
    showRandReset();
    EXPECT_EQ(noise.drawAdditive(*target), 1);
    EXPECT_EQ(readPixels32(*target), startingPixels());
    EXPECT_EQ(showRand(), 16838);
}

TEST(StaticNoise, DrawsOnlyInsideTheAreaAndTheTarget) {
    cStatic noise(kWidth, kHeight, 1, 1, cStatic::MODE_GRAIN);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*target, std::vector<uint32_t>(kWidth * kHeight, 0xff000000));
    noise.setArea(DynamicArea(2, 1, 5, 3));
    noise.drawAdditive(*target);
    const auto after = readPixels32(*target);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(after[y * kWidth + x], inside ? 0u : 0xff000000u) << x << "," << y;
        }
    }

    // An area and an effect size beyond a small target.
    cStatic wide(320, 240, kStreak, kGrain, cStatic::MODE_COLUMN_STREAKS_GRAIN);
    wide.setArea(DynamicArea(-10, -10, 400, 300));
    auto small = makeSurface(3, 2, directFormat());
    EXPECT_EQ(wide.drawAdditive(*small), 1);
}

TEST(StaticNoise, RefusesZeroLevelsItWouldDivideBy) {
    EXPECT_THROW(cStatic(8, 8, 0, 40, cStatic::MODE_ROW_STREAKS_GRAIN), DynamicError);
    EXPECT_THROW(cStatic(8, 8, 30, 0, cStatic::MODE_GRAIN), DynamicError);
    EXPECT_THROW(cStatic(8, 8, 0, 40, cStatic::MODE_COLUMN_STREAKS), DynamicError);
    EXPECT_NO_THROW(cStatic(8, 8, 0, 40, cStatic::MODE_GRAIN));
    EXPECT_NO_THROW(cStatic(8, 8, 30, 0, cStatic::MODE_ROW_STREAKS));
}

TEST(StaticNoise, RefusesAnEightBitTarget) {
    cStatic noise(8, 8, 30, 40, cStatic::MODE_GRAIN);
    auto canvas = makeSurface(8, 8, indexedFormat());
    EXPECT_THROW(noise.drawAdditive(*canvas), DynamicError);
}

namespace {

// Draws with both loops from the same seed onto the same pixels and checks
// the pixels and the generator's state after them are the same.
void expectWideMatchesOnePixelAtATime(cStatic& noise, int width, int height, uint32_t seed, const std::string& what) {
    std::vector<uint32_t> start(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < start.size(); ++i) start[i] = 0xfff0e000u + static_cast<uint32_t>(i * 0x0103);
    auto wide = makeSurface(width, height, directFormat());
    auto narrow = makeSurface(width, height, directFormat());
    writePixels32(*wide, start);
    writePixels32(*narrow, start);

    showRandReset(seed);
    noise.drawAdditive(*wide);
    const uint32_t seedAfterWide = showRandSeed();
    showRandReset(seed);
    noise.drawAdditiveOnePixelAtATime(*narrow);

    ASSERT_EQ(readPixels32(*wide), readPixels32(*narrow)) << what;
    ASSERT_EQ(seedAfterWide, showRandSeed()) << what;
}

}  // namespace

TEST(StaticNoise, WideLoopMatchesTheOnePixelLoopAndLeavesTheSameSequence) {
    // Widths around the wide loop's groups of 8 and chunks of 32, and levels
    // where streak and grain together pass 255.
    const int widths[] = {7, 8, 9, 16, 17, 31, 33, 40, 56, 63, 64, 95, 96, 320, 323};
    const uint8_t levels[] = {1, 2, 3, 7, 30, 40, 64, 129, 200, 255};
    for (int width : widths) {
        for (int mode = cStatic::MODE_GRAIN; mode <= cStatic::MODE_ROW_STREAKS_GRAIN; ++mode) {
            for (uint8_t level : levels) {
                cStatic noise(width, 3, level, level, mode);
                noise.setArea(DynamicArea(width % 2, 0, width, 3));  // odd widths from x = 1
                expectWideMatchesOnePixelAtATime(noise, width, 3, 12345u + width,
                                                 "width " + std::to_string(width) + " mode " + std::to_string(mode) +
                                                     " level " + std::to_string(level));
            }
        }
    }
}

TEST(StaticNoise, WideLoopMatchesOverWholeFramesAndClippedAreas) {
    // A whole frame draws more values than the low halves' cycle holds.
    for (int mode : {cStatic::MODE_COLUMN_STREAKS_GRAIN, cStatic::MODE_ROW_STREAKS_GRAIN}) {
        cStatic noise(320, 240, 30, 40, mode);
        expectWideMatchesOnePixelAtATime(noise, 320, 240, 1u, "whole frame, mode " + std::to_string(mode));
    }
    // Areas cut by the target and by the effect's size, at odd offsets, and
    // rows of whole chunks of 32 starting on and off 16-byte boundaries.
    const DynamicArea areas[] = {DynamicArea(-5, -2, 90, 20), DynamicArea(3, 1, 77, 9), DynamicArea(13, 0, 200, 4),
                                 DynamicArea(2, 1, 66, 9), DynamicArea(4, 0, 68, 10)};
    for (const DynamicArea& area : areas) {
        for (int mode : {cStatic::MODE_GRAIN, cStatic::MODE_COLUMN_STREAKS_GRAIN, cStatic::MODE_ROW_STREAKS_GRAIN}) {
            cStatic noise(70, 12, 30, 40, mode);
            noise.setArea(area);
            expectWideMatchesOnePixelAtATime(
                noise, 84, 10, 777u, "area at " + std::to_string(area.left()) + " mode " + std::to_string(mode));
        }
    }
}

TEST(StaticNoise, WideLoopMatchesFromSeedsAtTheEdgesOfTheHalves) {
    // Seeds whose low or high 16 bits are at their ends, where the lanes'
    // carries between the halves go wrong first.
    const uint32_t seeds[] = {0u, 0xFFFFu, 0x10000u, 0x7FFF8000u, 0x8000FFFFu, 0xFFFF0000u, 0xFFFFFFFFu};
    for (uint32_t seed : seeds) {
        for (int mode : {cStatic::MODE_GRAIN, cStatic::MODE_COLUMN_STREAKS_GRAIN}) {
            // Grain alone starts the lanes from the seed itself.
            cStatic noise(48, 4, 30, 40, mode);
            auto wide = makeSurface(48, 4, directFormat());
            auto narrow = makeSurface(48, 4, directFormat());
            writePixels32(*wide, std::vector<uint32_t>(48 * 4, 0x00406080u));
            writePixels32(*narrow, std::vector<uint32_t>(48 * 4, 0x00406080u));
            showRandReset(seed);
            noise.drawAdditive(*wide);
            const uint32_t seedAfterWide = showRandSeed();
            showRandReset(seed);
            noise.drawAdditiveOnePixelAtATime(*narrow);
            ASSERT_EQ(readPixels32(*wide), readPixels32(*narrow)) << "seed " << seed << " mode " << mode;
            ASSERT_EQ(seedAfterWide, showRandSeed()) << "seed " << seed;
        }
    }
}

TEST(StaticNoise, SkippingADrawLeavesTheSequenceWhereTheDrawDoes) {
    struct Case {
        int mode;
        int width, height;  // of the effect
        DynamicArea area;
    };
    const Case cases[] = {
        {cStatic::MODE_GRAIN, kWidth, kHeight, DynamicArea(0, 0, kWidth, kHeight)},
        {cStatic::MODE_COLUMN_STREAKS, kWidth, kHeight, DynamicArea(0, 0, kWidth, kHeight)},
        {cStatic::MODE_COLUMN_STREAKS_GRAIN, 40, 30, DynamicArea(-3, 2, 50, 9)},
        {cStatic::MODE_ROW_STREAKS, kWidth, kHeight, DynamicArea(1, 1, 3, 4)},
        {cStatic::MODE_ROW_STREAKS_GRAIN, 320, 240, DynamicArea(0, 0, 320, 240)},
        {cStatic::MODE_ROW_STREAKS_GRAIN, kWidth, kHeight, DynamicArea(5, 5, 5, 5)},  // empty
        {9, kWidth, kHeight, DynamicArea(0, 0, kWidth, kHeight)},
    };
    for (const Case& c : cases) {
        cStatic noise(c.width, c.height, kStreak, kGrain, c.mode);
        noise.setArea(c.area);
        auto target = makeSurface(std::min(c.width, 64), std::min(c.height, 48), directFormat());
        showRandReset(12345);
        noise.drawAdditive(*target);
        const uint32_t drawnTo = showRandSeed();
        showRandReset(12345);
        noise.skipDraw(*target);
        EXPECT_EQ(showRandSeed(), drawnTo) << "mode " << c.mode << ", " << c.width << " x " << c.height;
    }
}
