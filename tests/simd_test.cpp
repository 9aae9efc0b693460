// The vector loops (platform/simd.h) against the plain loops they stand for,
// in the same build: each effect draws a random area whole, where its vector
// loops do most of the work, and again one column at a time, where every
// pixel comes from its plain loop. Sizes, offsets (so alignments), times and
// contents are random, contents weighted to the edge values 0, 0xff and
// 0xffffffff. In the scalar build both draws take the plain loops, and the
// effects' own tests and the golden frames check those against the same
// expected values.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "effects/c2DTunnel.h"
#include "effects/cBitmap.h"
#include "effects/cFlower.h"
#include "platform/display/DynamicArea.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

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
constexpr int kRounds = 12;

uint32_t edgyPixel(std::mt19937& random) {
    switch (random() % 6) {
        case 0:
            return 0;
        case 1:
            return 0xffffffffu;
        case 2:
            return 0x00ffffffu;
        case 3:
            return 0x00ff00ffu & static_cast<uint32_t>(random());
        default:
            return static_cast<uint32_t>(random());
    }
}

std::vector<uint32_t> edgyPixels(std::mt19937& random, size_t count) {
    std::vector<uint32_t> pixels(count);
    for (uint32_t& pixel : pixels) pixel = edgyPixel(random);
    return pixels;
}

int between(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// A random area inside width x height: often narrow, often at an odd left edge.
DynamicArea randomArea(std::mt19937& random, int width, int height) {
    const int left = between(random, 0, 40);
    const int top = between(random, 0, height / 2);
    const int right = random() % 3 == 0 ? between(random, left + 1, left + 40) : between(random, left + 1, width);
    return DynamicArea(left, top, right, between(random, top + 1, height));
}

// Draws the whole area, then each of its columns alone onto a copy of the
// same start, and expects the same pixels.
template <typename Pixel>
void expectColumnsMatchTheWholeArea(const DynamicArea& area, const std::vector<Pixel>& start,
                                    const std::function<void(DynamicSurface&, const DynamicArea&)>& draw,
                                    const std::string& what) {
    const bool wide = sizeof(Pixel) == 4;
    auto whole = makeSurface(kWidth, kHeight, wide ? directFormat() : indexedFormat());
    auto columns = makeSurface(kWidth, kHeight, wide ? directFormat() : indexedFormat());
    if constexpr (sizeof(Pixel) == 4) {
        writePixels32(*whole, start);
        writePixels32(*columns, start);
    } else {
        writePixels8(*whole, start);
        writePixels8(*columns, start);
    }
    draw(*whole, area);
    for (int x = area.left(); x < area.right(); ++x) draw(*columns, DynamicArea(x, area.top(), x + 1, area.bottom()));
    if constexpr (sizeof(Pixel) == 4) {
        ASSERT_EQ(readPixels32(*whole), readPixels32(*columns)) << what;
    } else {
        ASSERT_EQ(readPixels8(*whole), readPixels8(*columns)) << what;
    }
}

std::string describe(const DynamicArea& area, float t) {
    return "area (" + std::to_string(area.left()) + ", " + std::to_string(area.top()) + ")-(" +
           std::to_string(area.right()) + ", " + std::to_string(area.bottom()) + "), t " + std::to_string(t);
}

}  // namespace

TEST(VectorLoops, TunnelDrawsMatchTheirPlainLoops) {
    test_support::TemporaryWorkingDirectory directory;
    std::mt19937 random(2101);
    test_support::writeTga32("texture.tga", 256, 256, edgyPixels(random, 256 * 256));
    c2DTunnel tunnel(kWidth, kHeight, "texture.tga", 3000);
    for (int round = 0; round < kRounds; ++round) {
        const DynamicArea area = randomArea(random, kWidth, kHeight);
        // Late and negative times wrap the offsets' 16-bit lanes.
        const float t = round % 4 == 3 ? -1.0e6f * static_cast<float>(round) : 0.37f * static_cast<float>(round);
        const std::vector<uint32_t> start = edgyPixels(random, kWidth * kHeight);
        const std::string what = describe(area, t);
        using Draw = int (c2DTunnel::*)(DynamicSurface&, float);
        for (Draw draw : {&c2DTunnel::drawTriple, &c2DTunnel::drawTripleAdditive}) {
            expectColumnsMatchTheWholeArea<uint32_t>(
                area, start,
                [&](DynamicSurface& frame, const DynamicArea& part) {
                    tunnel.setArea(part);
                    ASSERT_EQ((tunnel.*draw)(frame, t), 1);
                },
                "three windows, " + what);
        }
        // One window reads from its corner whatever the area's position, so
        // each column moves the window with it.
        const int windowLeft = between(random, 0, kWidth), windowTop = between(random, 0, kHeight);
        for (Draw draw : {&c2DTunnel::drawSingle, &c2DTunnel::drawSingleAdditive}) {
            expectColumnsMatchTheWholeArea<uint32_t>(
                area, start,
                [&](DynamicSurface& frame, const DynamicArea& part) {
                    const int shift = part.left() - area.left();
                    tunnel.setArea(part);
                    tunnel.setWindow(
                        DynamicArea(windowLeft + shift, windowTop, windowLeft + shift + kWidth, windowTop + kHeight));
                    ASSERT_EQ((tunnel.*draw)(frame, t), 1);
                },
                "one window, " + what);
        }
    }
}

TEST(VectorLoops, FlowerDrawsMatchTheirPlainLoop) {
    std::mt19937 random(2102);
    cFlower flower(kWidth, kHeight, 1.3f, -0.7f, 5, 3);
    for (int round = 0; round < kRounds; ++round) {
        const DynamicArea area = randomArea(random, kWidth, kHeight);
        const float t = 0.61f * static_cast<float>(round);
        std::vector<uint8_t> start(kWidth * kHeight);
        for (uint8_t& pixel : start) pixel = static_cast<uint8_t>(edgyPixel(random));
        expectColumnsMatchTheWholeArea<uint8_t>(
            area, start,
            [&](DynamicSurface& target, const DynamicArea& part) {
                flower.setArea(part);
                ASSERT_EQ(flower.draw(target, t), 1);
            },
            describe(area, t));
    }
}

TEST(VectorLoops, PictureBlendsMatchTheirPlainLoops) {
    std::mt19937 random(2103);
    for (int round = 0; round < kRounds; ++round) {
        const int pictureWidth = between(random, 1, 90);
        const int pictureHeight = between(random, 1, 30);
        std::vector<uint32_t> pixels = edgyPixels(random, static_cast<size_t>(pictureWidth) * pictureHeight);
        // Long black stretches, which the blends that skip black pass over.
        const size_t black = between(random, 0, static_cast<int>(pixels.size()) - 1);
        for (size_t i = black; i < pixels.size() && i < black + 40; ++i) pixels[i] = 0;
        const int x = between(random, -20, 100);
        const int y = between(random, -10, 100);
        const DynamicArea area = randomArea(random, kWidth, kHeight);
        const std::vector<uint32_t> start = edgyPixels(random, kWidth * kHeight);
        for (int mode = cBitmap::MODE_COPY; mode <= cBitmap::MODE_INVERT; ++mode) {
            cBitmap picture(kWidth, kHeight, mode, pictureWidth, pictureHeight, directFormat());
            auto* p = static_cast<uint32_t*>(picture.lock());
            std::copy(pixels.begin(), pixels.end(), p);
            picture.unlock();
            expectColumnsMatchTheWholeArea<uint32_t>(
                area, start,
                [&](DynamicSurface& target, const DynamicArea& part) {
                    picture.setArea(part);
                    picture.draw(target, x, y);
                },
                "mode " + std::to_string(mode) + ", picture " + std::to_string(pictureWidth) + " x " +
                    std::to_string(pictureHeight) + " at " + std::to_string(x) + ", " + std::to_string(y));
        }
    }
}
