#include "effects/cGrid.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"

using test_support::directFormat;
using test_support::indexedFormat;
using test_support::makeSurface;
using test_support::readPixels32;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr uint32_t kWhite = 0x00ffffff;

bool onHorizontalLine(int y) { return y % 30 == 0 && y >= 30 && y <= 210; }
bool onVerticalLine(int x) { return x % 40 == 0 && x >= 40 && x <= 280; }

// Checks the whole surface against lines spanning [hLo, hHi) across and
// [vLo, vHi] down.
void expectLines(DynamicSurface& surface, int hLo, int hHi, int vLo, int vHi) {
    const int width = surface.width();
    const std::vector<uint32_t> pixels = readPixels32(surface);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            const bool white =
                (onHorizontalLine(y) && x >= hLo && x < hHi) || (onVerticalLine(x) && y >= vLo && y <= vHi);
            ASSERT_EQ(pixels[y * width + x], white ? kWhite : 0u) << x << ", " << y;
        }
    }
}

}  // namespace

TEST(Grid, NewGridDrawsOnePixelAcrossAndTwoPixelsDown) {
    cGrid grid(kWidth, kHeight);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    ASSERT_EQ(grid.draw(*target), 1);
    expectLines(*target, 0, 1, 0, 1);
}

TEST(Grid, GrowingStepsOncePerTenthAndCarriesTheRest) {
    cGrid grid(kWidth, kHeight);
    grid.update(0.35f);
    EXPECT_EQ(grid.getHEnd(), 4);
    EXPECT_EQ(grid.getVEnd(), 4);
    EXPECT_EQ(grid.getHStart(), 0);
    EXPECT_NEAR(grid.getLastTime(), 0.3f, 1e-6);
    grid.update(0.35f);  // 0.05 left: no step
    EXPECT_EQ(grid.getHEnd(), 4);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    grid.draw(*target);
    expectLines(*target, 0, 4, 0, 4);
}

TEST(Grid, IsDoneAtTheStepThatTakesTheLinesPastTheWidth) {
    cGrid grid(kWidth, kHeight);
    float t = 0.0f;
    while (!grid.isDone()) {
        ASSERT_LE(grid.getHEnd(), kWidth);
        t += 0.1f;
        grid.update(t);
    }
    EXPECT_EQ(grid.getHEnd(), kWidth + 1);
}

TEST(Grid, LinesStopAtTheTargetsEdges) {
    cGrid grid(kWidth, kHeight);
    grid.update(40.0f);  // both ends far past the frame
    ASSERT_GT(grid.getVEnd(), kHeight);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    grid.draw(*target);
    expectLines(*target, 0, kWidth, 0, kHeight - 1);

    // A target smaller than the grid's lines gets only the lines that fit.
    auto small = makeSurface(100, 50, directFormat());
    ASSERT_EQ(grid.draw(*small), 1);
    expectLines(*small, 0, 100, 0, 49);
}

TEST(Grid, RetractingMovesTheNearEndsAndOtherModesHoldStill) {
    cGrid grid(kWidth, kHeight);
    grid.update(1.05f);  // ten steps
    grid.setMode(cGrid::RETRACT);
    grid.update(1.65f);  // six more
    EXPECT_EQ(grid.getHStart(), 6);
    EXPECT_EQ(grid.getVStart(), 6);
    EXPECT_EQ(grid.getHEnd(), 11);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    grid.draw(*target);
    expectLines(*target, 6, 11, 6, 11);

    const float lastTime = grid.getLastTime();
    grid.setMode(7);
    grid.update(100.0f);
    EXPECT_EQ(grid.getHStart(), 6);
    EXPECT_EQ(grid.getHEnd(), 11);
    EXPECT_EQ(grid.getLastTime(), lastTime);
}

TEST(Grid, RetractionFromFullExtentClearsTheVerticalLinesFirst) {
    cGrid grid(kWidth, kHeight);
    float t = 0.0f;
    while (!grid.isDone()) grid.update(t += 0.1f);
    grid.setMode(cGrid::RETRACT);
    grid.update(grid.getLastTime() + 24.05f);  // 240 steps: the vertical lines have passed the last row
    EXPECT_EQ(grid.getHStart(), 240);
    auto target = makeSurface(kWidth, kHeight, directFormat());
    grid.draw(*target);
    expectLines(*target, 240, kWidth, 1, 0);
}

TEST(Grid, RefusesAnEightBitTarget) {
    cGrid grid(kWidth, kHeight);
    auto indexed = makeSurface(kWidth, kHeight, indexedFormat());
    EXPECT_THROW(grid.draw(*indexed), DynamicError);
}
