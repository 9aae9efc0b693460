#include "effects/cPlasma.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"

using test_support::directFormat;
using test_support::indexedFormat;
using test_support::makeSurface;
using test_support::readPixels32;
using test_support::readPixels8;
using test_support::writePixels32;
using test_support::writePixels8;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct ShellPlasma {
    ShellPlasma() : plasma(kWidth, kHeight, (fillPlasmaTable(table, 55), table)) {
        plasma.setSpeeds(8.6f, 8.3f);
        plasma.setSteps(0.0f, 0.0f, 0.0f, 0.0f);
    }
    float table[256];
    cPlasma plasma;
};

std::vector<uint8_t> drawIndices(cPlasma& plasma) {
    auto canvas = makeSurface(kWidth, kHeight, indexedFormat());
    EXPECT_EQ(plasma.draw(*canvas), 1);
    return readPixels8(*canvas);
}

}  // namespace

TEST(PlasmaTable, EntryZeroIsAmplitudePlusFortyAndTheTableWraps) {
    float table[256];
    fillPlasmaTable(table, 55);
    EXPECT_FLOAT_EQ(table[0], 95.0f);
    EXPECT_NEAR(table[128], -55.0f + 32.0f + 8.0f, 1e-4);
    // Neighbours across the wrap are as close as neighbours anywhere else.
    EXPECT_NEAR(table[255], table[1], 1e-3);
    fillPlasmaTable(table, 64);
    EXPECT_FLOAT_EQ(table[0], 104.0f);
}

TEST(Plasma, WithEveryPhaseAndStepZeroEveryIndexIs124) {
    ShellPlasma shell;
    for (uint8_t index : drawIndices(shell.plasma)) ASSERT_EQ(index, 124);
}

TEST(Plasma, RowStepsMoveAlongTheRowAndColumnStepsDownTheColumn) {
    // Whole-number steps keep every phase exact, so pixel (x, y) must equal
    // the top-left pixel of a plasma started at the phases it reached.
    ShellPlasma moving;
    moving.plasma.setSteps(1.0f, 3.0f, 5.0f, 2.0f);
    const std::vector<uint8_t> indices = drawIndices(moving.plasma);
    const int points[][2] = {{1, 0}, {0, 1}, {17, 5}, {319, 239}, {200, 100}};
    for (const auto& point : points) {
        const int x = point[0];
        const int y = point[1];
        ShellPlasma still;
        still.plasma.setPhases(1.0f * x, 3.0f * x, 5.0f * y, 2.0f * y);
        EXPECT_EQ(indices[y * kWidth + x], drawIndices(still.plasma)[0]) << x << ", " << y;
    }
    // The pattern does vary, so the comparison above means something.
    EXPECT_NE(indices[1], indices[0]);
    EXPECT_NE(indices[kWidth], indices[0]);
}

TEST(Plasma, DrawsOnlyWithinItsAreaStartingTheAreaAtTheUnshiftedPhases) {
    ShellPlasma full;
    full.plasma.setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    full.plasma.setPhases(3.0f, 9.0f, 27.0f, 81.0f);
    const std::vector<uint8_t> whole = drawIndices(full.plasma);

    ShellPlasma part;
    part.plasma.setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    part.plasma.setPhases(3.0f, 9.0f, 27.0f, 81.0f);
    part.plasma.setArea(DynamicArea(10, 20, 30, 40));
    auto canvas = makeSurface(kWidth, kHeight, indexedFormat());
    writePixels8(*canvas, std::vector<uint8_t>(kWidth * kHeight, 7));
    ASSERT_EQ(part.plasma.draw(*canvas), 1);
    const std::vector<uint8_t> indices = readPixels8(*canvas);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 20 && y < 40;
            const uint8_t expected = inside ? whole[(y - 20) * kWidth + (x - 10)] : 7;
            ASSERT_EQ(indices[y * kWidth + x], expected) << x << ", " << y;
        }
    }
}

TEST(Plasma, UpdateStepsOncePerWholeUnitAndCarriesTheFraction) {
    ShellPlasma shell;
    shell.plasma.update(0.5f);
    EXPECT_EQ(shell.plasma.getPhase(1), 0.0f);
    shell.plasma.update(0.5f);
    EXPECT_FLOAT_EQ(shell.plasma.getPhase(1), 8.6f);
    EXPECT_EQ(shell.plasma.getAccumulator(), 0.0f);

    ShellPlasma twice;
    twice.plasma.update(2.5f);
    EXPECT_FLOAT_EQ(twice.plasma.getPhase(1), 17.2f);
    EXPECT_EQ(twice.plasma.getAccumulator(), 0.5f);
}

TEST(Plasma, EachStepDrawsFourValuesAndOnlyPhasesTwoAndThreeTakeThem) {
    showRandReset();
    int draws[9];
    for (int& draw : draws) draw = showRand();

    showRandReset();
    ShellPlasma shell;
    shell.plasma.update(2.0f);
    EXPECT_EQ(showRand(), draws[8]) << "two steps draw exactly eight values";
    EXPECT_EQ(shell.plasma.getPhase(2), static_cast<float>(draws[1] % 2 + draws[5] % 2));
    float phase3 = 0.0f;
    phase3 += 8.3f;
    phase3 += draws[2] % 2;
    phase3 += 8.3f;
    phase3 += draws[6] % 2;
    EXPECT_EQ(shell.plasma.getPhase(3), phase3);
    EXPECT_EQ(shell.plasma.getPhase(4), 0.0f);
}

TEST(Plasma, NegativeAccumulatorNeverStepsAndHugeJumpsEnd) {
    ShellPlasma shell;
    shell.plasma.update(-3.0f);
    shell.plasma.update(2.5f);
    EXPECT_EQ(shell.plasma.getPhase(1), 0.0f);
    EXPECT_EQ(shell.plasma.getAccumulator(), -0.5f);

    // Far beyond float precision subtracting 1 changes nothing: these must
    // still return, leaving an empty accumulator.
    ShellPlasma huge;
    huge.plasma.update(1e30f);
    EXPECT_EQ(huge.plasma.getAccumulator(), 0.0f);
    huge.plasma.update(std::numeric_limits<float>::infinity());
    EXPECT_EQ(huge.plasma.getAccumulator(), 0.0f);
    EXPECT_TRUE(std::isfinite(huge.plasma.getPhase(1)));
}

TEST(PlasmaReveal, CopiesExactlyThePixelsWhoseIndexIsAtMostTheLevel) {
    ShellPlasma shell;
    shell.plasma.setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    const std::vector<uint8_t> indices = drawIndices(shell.plasma);

    std::vector<uint32_t> picturePixels(kWidth * kHeight);
    for (size_t i = 0; i < picturePixels.size(); ++i)
        picturePixels[i] = 0x00010203u * static_cast<uint32_t>(i % 50 + 1);
    auto picture = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*picture, picturePixels);

    for (int level : {0, 100, 200, 255}) {
        auto target = makeSurface(kWidth, kHeight, directFormat());
        writePixels32(*target, std::vector<uint32_t>(kWidth * kHeight, 0x00abcdefu));
        ASSERT_EQ(shell.plasma.drawReveal(*target, *picture, static_cast<uint8_t>(level)), 1);
        const std::vector<uint32_t> result = readPixels32(*target);
        for (size_t i = 0; i < result.size(); ++i) {
            const uint32_t expected = indices[i] <= level ? picturePixels[i] : 0x00abcdefu;
            ASSERT_EQ(result[i], expected) << "level " << level << ", pixel " << i;
        }
    }
}

TEST(Plasma, RefusesSurfacesItWouldWritePastAndAreasBeyondItsSize) {
    ShellPlasma shell;
    auto small = makeSurface(100, 100, indexedFormat());
    EXPECT_THROW(shell.plasma.draw(*small), DynamicError);
    auto direct = makeSurface(kWidth, kHeight, directFormat());
    EXPECT_THROW(shell.plasma.draw(*direct), DynamicError);
    auto indexed = makeSurface(kWidth, kHeight, indexedFormat());
    EXPECT_THROW(shell.plasma.drawReveal(*direct, *indexed, 10), DynamicError);

    shell.plasma.setArea(DynamicArea(0, 0, kWidth + 1, kHeight));
    EXPECT_THROW(shell.plasma.draw(*indexed), DynamicError);
}

// The index computation written out plainly with the shared roundToByte: the
// effect's own loop must match it pixel for pixel, whatever it does for speed.
static void expectPlainIndices(const float* table, const float start[4]) {
    cPlasma plasma(kWidth, kHeight, table);
    plasma.setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    plasma.setPhases(start[0], start[1], start[2], start[3]);
    const std::vector<uint8_t> indices = drawIndices(plasma);
    float c = start[2];
    float d = start[3];
    for (int y = 0; y < kHeight; ++y) {
        float a = start[0];
        float b = start[1];
        for (int x = 0; x < kWidth; ++x) {
            float s = table[roundToByte(a)] + table[roundToByte(b)];
            s = s + table[roundToByte(c)];
            s = s + table[roundToByte(d)];
            ASSERT_EQ(indices[y * kWidth + x], roundToByte(s)) << start[0] << " at " << x << ", " << y;
            a = a + 0.8f;
            b = b + 0.2f;
        }
        c = c + 0.4f;
        d = d + 0.5f;
    }
}

TEST(Plasma, MatchesThePlainIndexComputationAtAnyPhase) {
    float table[256];
    fillPlasmaTable(table, 55);
    const float starts[][4] = {{0.0f, 0.0f, 0.0f, 0.0f},
                               {255.5f, 0.5f, 1.5f, -2.5f},
                               {-1000.25f, 3e5f, -77.5f, 12345.5f},
                               {4194303.0f, -4194303.5f, 4194304.0f, 8388609.0f},
                               {1e9f, -3e9f, 2.5e7f, 6e6f}};
    for (const auto& start : starts) expectPlainIndices(table, start);
}

// Tables whose entries come close to, or leave, the range the effect can
// round four at a time, with halves and quarters to round.
TEST(Plasma, MatchesThePlainIndexComputationWithLargeOrNonFiniteTableEntries) {
    const float starts[][4] = {{0.0f, 0.0f, 0.0f, 0.0f}, {100.0f, 20.0f, 120.0f, 140.0f}, {3.5f, 9.5f, 7.0f, 9.0f}};
    float table[256];
    for (int i = 0; i < 256; ++i) table[i] = ((i * 37) % 256 - 128) * 8191.75f;  // all under 2^20
    for (const auto& start : starts) expectPlainIndices(table, start);

    for (int i = 0; i < 256; ++i) table[i] = (i - 128) * 10000.5f;  // up to 1.28e6, past 2^20
    table[7] = 1048575.5f;
    table[9] = -1048576.0f;
    for (const auto& start : starts) expectPlainIndices(table, start);

    table[200] = std::numeric_limits<float>::quiet_NaN();
    table[60] = std::numeric_limits<float>::infinity();
    table[61] = 3e9f;
    for (const auto& start : starts) expectPlainIndices(table, start);
}
