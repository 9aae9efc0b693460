#include "effects/cRandomDots.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "effects/showRandom.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using namespace test_support;

namespace {

constexpr int kDotWidth = 2;
constexpr int kDotHeight = 3;

// The frame a panel with pattern p leaves at (x0, y0) on black, dots blue 1.
std::vector<uint32_t> expectedPanel(const cRandomDots& dots, int p, int x0, int y0) {
    std::vector<uint32_t> frame(320 * 240, 0);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 20; ++c) {
            if (!dots.isLit(p, r, c)) continue;
            for (int y = y0 + r * (kDotHeight + 3); y < y0 + r * (kDotHeight + 3) + kDotHeight; ++y) {
                for (int x = x0 + c * (kDotWidth + 3); x < x0 + c * (kDotWidth + 3) + kDotWidth; ++x) {
                    if (x >= 0 && x < 320 && y >= 0 && y < 240) frame[y * 320 + x] = 1;
                }
            }
        }
    }
    return frame;
}

}  // namespace

class RandomDots : public ::testing::Test {
protected:
    void SetUp() override { writeSolidTga32(TemporaryWorkingDirectory::gfx("circle.tga"), kDotWidth, kDotHeight, 1); }
    TemporaryWorkingDirectory directory;
};

TEST_F(RandomDots, DrawsThePatternsFromTheGeneratorPatternByPatternRowByRow) {
    showRandReset();
    cRandomDots dots(320, 240, "data/gfx/circle.tga");
    EXPECT_EQ(dots.isReady(), 1);
    showRandReset();
    for (int p = 0; p < 16; ++p) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 20; ++c) ASSERT_EQ(dots.isLit(p, r, c), showRand() % 2 != 0) << p << r << c;
        }
    }
}

TEST_F(RandomDots, ChoosesThePatternByTheTimesWholePart) {
    cRandomDots dots(320, 240, "data/gfx/circle.tga");
    auto frame = makeSurface(320, 240, directFormat());
    const struct {
        float t;
        int pattern;
    } cases[] = {{15.9f, 15}, {16.0f, 0}, {37.5f, 5}, {0.99f, 0}, {1.0f, 1}};
    for (const auto& c : cases) {
        frame->clear();
        EXPECT_EQ(dots.draw(*frame, 2, 180, c.t), 1);
        EXPECT_EQ(dots.shownPattern(), c.pattern) << c.t;
        EXPECT_EQ(readPixels32(*frame), expectedPanel(dots, c.pattern, 2, 180)) << c.t;
    }
}

TEST_F(RandomDots, ClipsAPanelPartlyOutsideTheFrame) {
    cRandomDots dots(320, 240, "data/gfx/circle.tga");
    auto frame = makeSurface(320, 240, directFormat());
    EXPECT_EQ(dots.draw(*frame, 250, 230, 3.0f), 1);
    EXPECT_EQ(readPixels32(*frame), expectedPanel(dots, 3, 250, 230));
    frame->clear();
    EXPECT_EQ(dots.draw(*frame, -40, -4, 3.0f), 1);
    EXPECT_EQ(readPixels32(*frame), expectedPanel(dots, 3, -40, -4));

    // Corners far away draw nothing and do not overflow.
    frame->clear();
    EXPECT_EQ(dots.draw(*frame, INT_MAX - 4, INT_MAX - 4, 3.0f), 1);
    EXPECT_EQ(dots.draw(*frame, INT_MIN, INT_MIN, 3.0f), 1);
    EXPECT_EQ(readPixels32(*frame), std::vector<uint32_t>(320 * 240, 0));
}
