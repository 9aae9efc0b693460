#include "effects/cFade.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using test_support::directFormat;
using test_support::makeSurface;
using test_support::readPixels32;
using test_support::writePixels32;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr uint32_t kWhite = 0x00ffffff;
constexpr uint32_t kBackground = 0x00202020;

bool onFullGrid(int x, int y) { return (y % 30 == 0 && y >= 30 && y <= 210) || (x % 40 == 0 && x >= 40 && x <= 280); }

std::vector<uint32_t> picturePixels() {
    std::vector<uint32_t> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            pixels[y * kWidth + x] = static_cast<uint32_t>(((x & 255) << 16) | (y << 8) | 0x11);
    }
    return pixels;
}

class FadeTest : public ::testing::Test {
protected:
    FadeTest() {
        test_support::writeTga32(test_support::TemporaryWorkingDirectory::gfx("at-ready.tga"), kWidth, kHeight,
                                 picturePixels());
    }

    std::unique_ptr<DynamicSurface> backgroundFrame() {
        auto frame = makeSurface(kWidth, kHeight, directFormat());
        writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, kBackground));
        return frame;
    }

    // Runs the grid's growth frame by frame until the dissolve begins;
    // returns the time of that frame.
    float growUntilDissolving(cFade& fade) {
        float t = 0.0f;
        auto frame = backgroundFrame();
        while (fade.getState() == cFade::GRID_GROWING) {
            EXPECT_LT(t, 40.0f);
            if (t >= 40.0f) break;
            t += 0.25f;
            fade.draw(*frame, t);
        }
        return t;
    }

    test_support::TemporaryWorkingDirectory directory;
    const std::string file = test_support::TemporaryWorkingDirectory::gfx("at-ready.tga");
};

}  // namespace

TEST_F(FadeTest, BeginsWithTheGridStubsOverWhateverTheFrameHolds) {
    cFade fade(kWidth, kHeight, file.c_str());
    EXPECT_EQ(fade.getState(), cFade::GRID_GROWING);
    EXPECT_EQ(fade.getLevel(), 0);
    auto frame = backgroundFrame();
    ASSERT_EQ(fade.draw(*frame, 0.0f), 1);
    const std::vector<uint32_t> pixels = readPixels32(*frame);
    EXPECT_EQ(pixels[30 * kWidth + 0], kWhite);
    EXPECT_EQ(pixels[30 * kWidth + 1], kBackground);
    EXPECT_EQ(pixels[1 * kWidth + 40], kWhite);
    EXPECT_EQ(pixels[2 * kWidth + 40], kBackground);
    EXPECT_EQ(pixels[100 * kWidth + 100], kBackground);
}

TEST_F(FadeTest, DissolveBeginsWhenTheGridHasCrossedTheFrame) {
    cFade fade(kWidth, kHeight, file.c_str());
    const float t = growUntilDissolving(fade);
    EXPECT_EQ(fade.getState(), cFade::DISSOLVING);
    EXPECT_NEAR(t, 32.0f, 0.3f);  // 320 steps of 0.1
    EXPECT_EQ(fade.getStepTime(), t);
    EXPECT_EQ(fade.getPlasmaTime(), t);
    EXPECT_EQ(fade.getLevel(), 0);
}

TEST_F(FadeTest, DissolveRaisesTheLevelOnePerTenthAndRevealsPartOfThePicture) {
    cFade fade(kWidth, kHeight, file.c_str());
    const float start = growUntilDissolving(fade);
    auto frame = backgroundFrame();
    fade.draw(*frame, start + 10.05f);
    EXPECT_EQ(fade.getLevel(), 100);
    EXPECT_EQ(fade.getState(), cFade::DISSOLVING);

    const std::vector<uint32_t> pixels = readPixels32(*frame);
    const std::vector<uint32_t> picture = picturePixels();
    int revealed = 0;
    int hidden = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t pixel = pixels[y * kWidth + x];
            if (onFullGrid(x, y)) {
                ASSERT_EQ(pixel, kWhite) << x << ", " << y;
            } else if (pixel == picture[y * kWidth + x]) {
                ++revealed;
            } else {
                ASSERT_EQ(pixel, kBackground) << x << ", " << y;
                ++hidden;
            }
        }
    }
    EXPECT_GT(revealed, 0);
    EXPECT_GT(hidden, 0);
}

TEST_F(FadeTest, LongJumpEndsTheDissolveOnceAndKeepsItsDuration) {
    cFade fade(kWidth, kHeight, file.c_str());
    const float start = growUntilDissolving(fade);
    auto frame = backgroundFrame();
    ASSERT_EQ(fade.draw(*frame, start + 30.0f), 1);
    EXPECT_EQ(fade.getState(), cFade::RETRACTING);
    EXPECT_EQ(fade.getLevel(), 255);
    EXPECT_NEAR(fade.getPlasmaTime(), 25.6f, 1e-3);  // 256 steps of 0.1
    EXPECT_NEAR(fade.getStepTime(), start + 29.9f, 0.15f);

    // That frame showed the whole picture under the full grid.
    std::vector<uint32_t> pixels = readPixels32(*frame);
    const std::vector<uint32_t> picture = picturePixels();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            ASSERT_EQ(pixels[y * kWidth + x], onFullGrid(x, y) ? kWhite : picture[y * kWidth + x]) << x << ", " << y;
        }
    }

    const float duration = fade.getPlasmaTime();
    fade.draw(*frame, start + 35.0f);
    EXPECT_EQ(fade.getState(), cFade::RETRACTING);
    EXPECT_EQ(fade.getPlasmaTime(), duration);
}

TEST_F(FadeTest, RetractionCoversTheFrameWithThePictureAndPullsTheLinesBack) {
    cFade fade(kWidth, kHeight, file.c_str());
    const float start = growUntilDissolving(fade);
    auto frame = backgroundFrame();
    fade.draw(*frame, start + 26.0f);
    ASSERT_EQ(fade.getState(), cFade::RETRACTING);
    const float duration = fade.getPlasmaTime();

    // The grid's clock resumes where it stopped: 10 units later in the scene
    // the near ends have moved about 100 pixels.
    fade.draw(*frame, start + duration + 10.0f);
    fade.draw(*frame, start + duration + 10.0f);
    const std::vector<uint32_t> pixels = readPixels32(*frame);
    const std::vector<uint32_t> picture = picturePixels();
    EXPECT_EQ(pixels[30 * kWidth + 50], picture[30 * kWidth + 50]);
    EXPECT_EQ(pixels[30 * kWidth + 200], kWhite);
    EXPECT_EQ(pixels[50 * kWidth + 40], picture[50 * kWidth + 40]);
    EXPECT_EQ(pixels[150 * kWidth + 40], kWhite);
    EXPECT_EQ(pixels[100 * kWidth + 100], picture[100 * kWidth + 100]);
}

TEST_F(FadeTest, MissingPictureFailsConstruction) {
    EXPECT_THROW(cFade(kWidth, kHeight, "data/gfx/none.pcx"), DynamicError);
}
