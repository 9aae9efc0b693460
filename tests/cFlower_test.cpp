#include "effects/cFlower.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"

using test_support::directFormat;
using test_support::indexedFormat;
using test_support::makeSurface;
using test_support::readPixels8;
using test_support::writePixels8;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

}  // namespace

TEST(Flower, MapHoldsDistancePlusPetalWavesModulo256) {
    cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    EXPECT_EQ(flower.isReady(), 1);
    EXPECT_EQ(flower.getWidth(), kWidth);
    EXPECT_EQ(flower.mapValue(0, 0), 40);
    EXPECT_EQ(flower.mapValue(100, 0), 140);
    EXPECT_EQ(flower.mapValue(0, 100), 71);
    EXPECT_EQ(flower.mapValue(0, -10), 214);  // -42.76 wraps
    // The map's corners: the first row is y = -240, the last y = 239.
    EXPECT_NO_THROW(flower.mapValue(-320, -240));
    EXPECT_NO_THROW(flower.mapValue(319, 239));
    EXPECT_THROW(flower.mapValue(320, 0), DynamicError);
}

TEST(Flower, WindowsStartAtTheirKnownOrigins) {
    cFlower::WindowOrigin origins[3];
    cFlower::windowOrigins(kWidth, kHeight, 0.0f, origins);
    EXPECT_EQ(origins[0].x, 279);
    EXPECT_EQ(origins[0].y, 160);
    EXPECT_EQ(origins[1].x, 55);
    EXPECT_EQ(origins[1].y, 193);
    EXPECT_EQ(origins[2].x, 164);
    EXPECT_EQ(origins[2].y, 152);
}

TEST(Flower, EachPixelIsTheByteSumOfTheThreeWindows) {
    cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    for (float t : {0.0f, 2.0f, 40.5f}) {
        cFlower::WindowOrigin o[3];
        cFlower::windowOrigins(kWidth, kHeight, t, o);
        auto canvas = makeSurface(kWidth, kHeight, indexedFormat());
        ASSERT_EQ(flower.draw(*canvas, t), 1);
        const std::vector<uint8_t> pixels = readPixels8(*canvas);
        for (int y = 0; y < kHeight; y += 7) {
            for (int x = 0; x < kWidth; x += 13) {
                int sum = 0;
                for (const auto& origin : o) sum += flower.mapValue(x + origin.x - kWidth, y + origin.y - kHeight);
                ASSERT_EQ(pixels[y * kWidth + x], sum & 255) << "t " << t << " at " << x << ", " << y;
            }
        }
    }
}

TEST(Flower, DrawsOnlyItsArea) {
    cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    auto whole = makeSurface(kWidth, kHeight, indexedFormat());
    flower.draw(*whole, 1.0f);
    const std::vector<uint8_t> expected = readPixels8(*whole);

    flower.setArea(DynamicArea(5, 6, 105, 56));
    auto canvas = makeSurface(kWidth, kHeight, indexedFormat());
    writePixels8(*canvas, std::vector<uint8_t>(kWidth * kHeight, 3));
    flower.draw(*canvas, 1.0f);
    const std::vector<uint8_t> pixels = readPixels8(*canvas);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= 5 && x < 105 && y >= 6 && y < 56;
            ASSERT_EQ(pixels[y * kWidth + x], inside ? expected[y * kWidth + x] : 3) << x << ", " << y;
        }
    }
}

TEST(Flower, RefusesTargetsThatCannotHoldTheAreaOrPushTheWindowsOffTheMap) {
    cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    auto narrow = makeSurface(200, kHeight, indexedFormat());
    EXPECT_THROW(flower.draw(*narrow, 0.0f), DynamicError);
    auto direct = makeSurface(kWidth, kHeight, directFormat());
    EXPECT_THROW(flower.draw(*direct, 0.0f), DynamicError);
    // A larger target centres the windows further out than the map reaches.
    auto large = makeSurface(640, 480, indexedFormat());
    EXPECT_THROW(flower.draw(*large, 0.0f), DynamicError);
    EXPECT_THROW(cFlower(0, 10, 1.0f, 0.3f, 18, 13), DynamicError);
}

TEST(FlowerMap, BuiltFromMirroredRowsEqualsEveryByteComputedAlone) {
    struct Case {
        int width, height;
        float weight1, weight2;
        int petals1, petals2;
    };
    for (const Case& c : {Case{640, 480, 1.0f, 0.3f, 18, 13}, Case{31, 17, 2.5f, -0.7f, 5, 3},
                          Case{2, 3, 1.0f, 1.0f, 0, -4}, Case{1, 1, 0.5f, 0.5f, 1, 1}}) {
        std::vector<uint8_t> fast(static_cast<size_t>(c.width) * c.height);
        std::vector<uint8_t> direct(fast.size());
        fillFlowerMap(fast.data(), c.width, c.height, c.weight1, c.weight2, c.petals1, c.petals2);
        fillFlowerMapDirect(direct.data(), c.width, c.height, c.weight1, c.weight2, c.petals1, c.petals2);
        EXPECT_EQ(fast, direct) << c.width << " x " << c.height;
    }
}
