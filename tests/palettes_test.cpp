#include "shell/palettes.h"

#include <gtest/gtest.h>

#include "effects/showRandom.h"

namespace {

int red(int32_t c) { return (c >> 16) & 0xff; }
int green(int32_t c) { return (c >> 8) & 0xff; }
int blue(int32_t c) { return c & 0xff; }

}  // namespace

TEST(PlasmaPalette, IsARampFromBlackToPaleAndBlackAboveTheRamp) {
    showRandReset(1);
    DynamicPalette palette;
    makePlasmaPalette(palette);
    int32_t* entries = palette.lock();
    for (int k = 0; k < 32; ++k) {
        for (int index : {2 * k, 223 - 2 * k, 2 * k + 1, 222 - 2 * k}) {
            SCOPED_TRACE(index);
            EXPECT_EQ(blue(entries[index]), 8 * k);
            EXPECT_GE(green(entries[index]), 4 * k);
            EXPECT_LT(green(entries[index]), 4 * k + 16);
            EXPECT_LT(red(entries[index]), 16);
        }
    }
    for (int m = 0; m < 24; ++m) {
        for (int index : {64 + 2 * m, 159 - 2 * m, 65 + 2 * m, 158 - 2 * m}) {
            SCOPED_TRACE(index);
            EXPECT_EQ(blue(entries[index]), 255);
            EXPECT_GE(green(entries[index]), 128 + 4 * m);
            EXPECT_LT(green(entries[index]), 128 + 4 * m + 16);
            EXPECT_GE(red(entries[index]), 8 * m);
            EXPECT_LT(red(entries[index]), 8 * m + 16);
        }
    }
    for (int index = 224; index < 256; ++index) EXPECT_EQ(entries[index], 0) << index;
    palette.unlock();
}

TEST(FlowerPalette, IsAGreenRiseAndFallWithBlackAbove) {
    showRandReset(1);
    DynamicPalette palette;
    makeFlowerPalette(palette);
    int32_t* entries = palette.lock();
    for (int j = 0; j < 64; ++j) {
        int g = j < 32 ? 4 * j : 128 - 4 * (j - 32);
        SCOPED_TRACE(j);
        EXPECT_GE(green(entries[j]), g);
        EXPECT_LT(green(entries[j]), g + 16);
        EXPECT_LT(red(entries[j]), 16);
        EXPECT_EQ(blue(entries[j]) % 2, 0);  // g shifted by at least one bit
    }
    for (int index = 64; index < 256; ++index) EXPECT_EQ(entries[index], 0) << index;
    palette.unlock();
}

TEST(Palettes, DrawTheSameSequenceEveryRun) {
    DynamicPalette first, second;
    showRandReset(1);
    makePlasmaPalette(first);
    makeFlowerPalette(first);
    int next = showRand();
    showRandReset(1);
    makePlasmaPalette(second);
    makeFlowerPalette(second);
    EXPECT_EQ(showRand(), next);
    int32_t* a = first.lock();
    int32_t* b = second.lock();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(a[i], b[i]);
    first.unlock();
    second.unlock();
}
