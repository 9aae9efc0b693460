#include "platform/display/ptc_pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

ptc_format_t direct32() {
    ptc_format_t format;
    format.bits = 32;
    format.r = 0xff0000;
    format.g = 0x00ff00;
    format.b = 0x0000ff;
    return format;
}

ptc_format_t indexed8() {
    ptc_format_t format;
    format.bits = 8;
    format.indexed = true;
    return format;
}

// The pixel under the centre of target offset i when `sourceSize` pixels
// are spread over `targetSize`.
int64_t centreSample(int64_t i, int64_t sourceSize, int64_t targetSize) {
    return (2 * i + 1) * sourceSize / (2 * targetSize);
}

// Floor division, for centres of rectangles that start left of or above 0.
int64_t floorDivide(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

TEST(PixelCopy, ScaledAreasMatchThePixelUnderEachCentreAndTouchNothingElse) {
    // A 32 x 20 source onto a 40 x 30 target, through areas that stretch,
    // shrink, reach past either picture's edges or end at the source's right
    // edge, each copied twice in turn so a remembered column map is reused.
    const int sourceWidth = 32, sourceHeight = 20, targetWidth = 40, targetHeight = 30;
    std::vector<uint32_t> source(sourceWidth * sourceHeight);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 2246822519u) & 0x00ffffffu;
    const ptc_format_t format = direct32();
    const PixelSource from{
        reinterpret_cast<const uint8_t*>(source.data()), sourceWidth, sourceHeight, sourceWidth * 4, &format, nullptr};
    const PixelRect cases[][2] = {
        {{2, 2, 30, 18}, {0, 0, 40, 30}},   {{0, 0, 32, 20}, {1, 1, 39, 29}},   {{5, 3, 32, 20}, {3, 2, 37, 27}},
        {{-4, -2, 36, 22}, {0, 0, 40, 30}}, {{0, 0, 32, 20}, {-7, -5, 45, 33}}, {{10, 4, 31, 19}, {0, 0, 40, 30}},
        {{0, 0, 32, 20}, {2, 3, 19, 11}},   {{3, 1, 29, 19}, {4, 4, 36, 26}},
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& area : cases) {
            const PixelRect a = area[0], b = area[1];
            std::vector<uint32_t> target(targetWidth * targetHeight, 0xdeadbeef);
            const PixelTarget to{reinterpret_cast<uint8_t*>(target.data()),
                                 targetWidth,
                                 targetHeight,
                                 targetWidth * 4,
                                 &format,
                                 nullptr};
            copyPixels(from, a, to, b);
            for (int y = 0; y < targetHeight; ++y) {
                for (int x = 0; x < targetWidth; ++x) {
                    uint32_t expected = 0xdeadbeef;
                    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
                        const int64_t sx = a.left + floorDivide((2 * int64_t(x - b.left) + 1) * (a.right - a.left),
                                                                2 * int64_t(b.right - b.left));
                        const int64_t sy = a.top + floorDivide((2 * int64_t(y - b.top) + 1) * (a.bottom - a.top),
                                                               2 * int64_t(b.bottom - b.top));
                        if (sx >= 0 && sx < sourceWidth && sy >= 0 && sy < sourceHeight) {
                            expected = source[sy * sourceWidth + sx];
                        }
                    }
                    ASSERT_EQ(target[y * targetWidth + x], expected)
                        << "area " << a.left << "," << a.top << "," << a.right << "," << a.bottom << " onto " << b.left
                        << "," << b.top << "," << b.right << "," << b.bottom << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(PixelCopy, ScaledCopiesSampleThePixelUnderEachTargetCentre) {
    const int sourceWidth = 97, sourceHeight = 5;
    std::vector<uint32_t> source(sourceWidth * sourceHeight);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 2654435761u) & 0x00ffffffu;
    const ptc_format_t format = direct32();
    const PixelSource from{
        reinterpret_cast<const uint8_t*>(source.data()), sourceWidth, sourceHeight, sourceWidth * 4, &format, nullptr};

    // Stretching and shrinking by ratios with and without common factors.
    const int spans[][2] = {{97, 320}, {7, 320}, {96, 97}, {97, 96}, {97, 13}, {97, 1}, {1, 97}, {60, 64}};
    for (const auto& span : spans) {
        const int sourceSpan = span[0], targetWidth = span[1];
        std::vector<uint32_t> target(targetWidth * 3, 0xdeadbeef);
        const PixelTarget to{
            reinterpret_cast<uint8_t*>(target.data()), targetWidth, 3, targetWidth * 4, &format, nullptr};
        copyPixels(from, PixelRect{0, 1, sourceSpan, 4}, to, PixelRect{0, 0, targetWidth, 3});
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < targetWidth; ++x) {
                const int64_t sx = centreSample(x, sourceSpan, targetWidth);
                ASSERT_EQ(target[y * targetWidth + x], source[(1 + y) * sourceWidth + sx])
                    << sourceSpan << " onto " << targetWidth << " at " << x << "," << y;
            }
        }
    }
}

TEST(PixelCopy, IndexedRowsGoThroughThePaletteAtAnyLength) {
    const ptc_format_t indexed = indexed8();
    const ptc_format_t format = direct32();
    std::vector<uint32_t> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = static_cast<uint32_t>(i) * 0x00010307u & 0x00ffffffu;
    for (int width : {1, 3, 4, 5, 13, 320}) {
        std::vector<uint8_t> source(width * 2);
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 37 + 11);
        std::vector<uint32_t> target(width * 2, 0xdeadbeef);
        const PixelSource from{source.data(), width, 2, width, &indexed, palette.data()};
        const PixelTarget to{reinterpret_cast<uint8_t*>(target.data()), width, 2, width * 4, &format, nullptr};
        copyPixels(from, PixelRect{0, 0, width, 2}, to, PixelRect{0, 0, width, 2});
        for (size_t i = 0; i < source.size(); ++i) ASSERT_EQ(target[i], palette[source[i]]) << width << " " << i;
    }
}
