// The program's icon: its size, its transparent rounded corners and its
// opaque middle, in the 0xAARRGGBB words the windows expect.
#include "platform/icon.h"

#include <gtest/gtest.h>

namespace {

uint32_t alpha(uint32_t pixel) { return pixel >> 24; }

TEST(MainIcon, IsASquareWithClearCornersAndAnOpaqueMiddle) {
    int width = 0, height = 0;
    const uint32_t* pixels = mainIconPixels(width, height);
    ASSERT_NE(nullptr, pixels);
    ASSERT_EQ(width, height);
    ASSERT_GE(width, 32);
    auto at = [&](int x, int y) { return pixels[y * width + x]; };

    for (int corner : {0, width - 1}) {
        EXPECT_EQ(0u, at(corner, 0));
        EXPECT_EQ(0u, at(corner, height - 1));
    }
    EXPECT_EQ(255u, alpha(at(width / 2, height / 2)));
    EXPECT_EQ(255u, alpha(at(width / 2, 2)));  // the tile reaches the edge midway
    // The middle is the eye's dark pupil.
    uint32_t pupil = at(width / 2, height / 2);
    EXPECT_LT((pupil >> 16 & 0xff) + (pupil >> 8 & 0xff) + (pupil & 0xff), 90u);

    int againWidth = 0, againHeight = 0;
    EXPECT_EQ(pixels, mainIconPixels(againWidth, againHeight));
}

}  // namespace
