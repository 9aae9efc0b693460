// The program's icon: its size, its transparent rounded corners and its
// opaque middle, in the 0xAARRGGBB words the windows expect, at the window's
// size and at every size installed for the desktop's menus.
#include "platform/display/icon.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

uint32_t alpha(uint32_t pixel) { return pixel >> 24; }

void expectClearCornersAndOpaqueMiddle(const uint32_t* pixels, int size) {
    auto at = [&](int x, int y) { return pixels[y * size + x]; };
    for (int corner : {0, size - 1}) {
        EXPECT_EQ(0u, at(corner, 0));
        EXPECT_EQ(0u, at(corner, size - 1));
    }
    EXPECT_EQ(255u, alpha(at(size / 2, size / 2)));
    // The tile reaches within 3 % of the edge midway: the first whole row there is opaque.
    EXPECT_EQ(255u, alpha(at(size / 2, (size * 3 + 99) / 100)));
    // The middle is the eye's dark pupil.
    uint32_t pupil = at(size / 2, size / 2);
    EXPECT_LT((pupil >> 16 & 0xff) + (pupil >> 8 & 0xff) + (pupil & 0xff), 90u);
}

TEST(MainIcon, IsASquareWithClearCornersAndAnOpaqueMiddle) {
    int width = 0, height = 0;
    const uint32_t* pixels = mainIconPixels(width, height);
    ASSERT_NE(nullptr, pixels);
    ASSERT_EQ(64, width);
    ASSERT_EQ(64, height);
    expectClearCornersAndOpaqueMiddle(pixels, width);

    int againWidth = 0, againHeight = 0;
    EXPECT_EQ(pixels, mainIconPixels(againWidth, againHeight));
}

TEST(MainIcon, EveryInstalledSizeIsTheSamePicture) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        std::vector<uint32_t> pixels = paintMainIcon(size);
        ASSERT_EQ(static_cast<size_t>(size * size), pixels.size());
        expectClearCornersAndOpaqueMiddle(pixels.data(), size);
    }
    // The window's icon is the 64-pixel painting.
    int width = 0, height = 0;
    const uint32_t* window = mainIconPixels(width, height);
    EXPECT_EQ(paintMainIcon(64), std::vector<uint32_t>(window, window + width * height));
}

}  // namespace
