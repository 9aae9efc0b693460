// Surfaces: conversion between every format, the scaled area copy, clipping,
// loading from pixel arrays and refusal of bad input.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/display/DynamicSurface.h"

namespace {

const DynamicFormat& frameFormat() {
    static const DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff);
    return format;
}
const DynamicFormat& format16() {
    static const DynamicFormat format(16, 0x7c00, 0x03e0, 0x001f);
    return format;
}
const DynamicFormat& format24() {
    static const DynamicFormat format(24, 0xff0000, 0x00ff00, 0x0000ff);
    return format;
}
const DynamicFormat& indexed() {
    static const DynamicFormat format(8);
    return format;
}

// The surface's bytes read as `Pixel` values.
template <typename Pixel>
std::vector<Pixel> pixelsOf(DynamicSurface& surface) {
    const size_t count = size_t(surface.width()) * surface.height() * surface.format().bytes() / sizeof(Pixel);
    std::vector<Pixel> pixels(count);
    std::memcpy(pixels.data(), surface.lock(), count * sizeof(Pixel));
    surface.unlock();
    return pixels;
}

template <typename Pixel>
void fill(DynamicSurface& surface, const std::vector<Pixel>& pixels) {
    ASSERT_EQ(pixels.size() * sizeof(Pixel), size_t(surface.width()) * surface.height() * surface.format().bytes());
    std::memcpy(surface.lock(), pixels.data(), pixels.size() * sizeof(Pixel));
    surface.unlock();
}

// A 320 x 240 frame whose every pixel names its own position.
std::vector<uint32_t> positionFrame() {
    std::vector<uint32_t> pixels(320 * 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) pixels[y * 320 + x] = uint32_t(y) << 16 | uint32_t(x);
    }
    return pixels;
}

TEST(SurfaceConversion, SixteenBitChannelsWidenToFullIntensity) {
    DynamicSurface source(6, 1, format16());
    DynamicSurface frame(6, 1, frameFormat());
    fill<uint16_t>(source, {0x7fff, 0x7c00, 0x03e0, 0x001f, 0x0421, 0x4210});
    source.copy(frame);
    EXPECT_EQ(pixelsOf<uint32_t>(frame),
              (std::vector<uint32_t>{0xffffff, 0xff0000, 0x00ff00, 0x0000ff, 0x080808, 0x848484}));
}

TEST(SurfaceConversion, EverySixteenBitPixelSurvivesTheRoundTripThroughThirtyTwoBits) {
    DynamicSurface source(256, 128, format16());
    DynamicSurface wide(256, 128, frameFormat());
    DynamicSurface back(256, 128, format16());
    std::vector<uint16_t> all(256 * 128);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint16_t>(i);
    fill(source, all);
    source.copy(wide);
    wide.copy(back);
    EXPECT_EQ(pixelsOf<uint16_t>(back), all);
}

TEST(SurfaceConversion, ThirtyTwoBitsNarrowToSixteenByHighBits) {
    DynamicSurface frame(3, 1, frameFormat());
    DynamicSurface narrow(3, 1, format16());
    fill<uint32_t>(frame, {0xff8000, 0x07070f, 0x123456});
    frame.copy(narrow);
    EXPECT_EQ(pixelsOf<uint16_t>(narrow),
              (std::vector<uint16_t>{0x7e00, 0x0001, uint16_t((0x12 >> 3) << 10 | (0x34 >> 3) << 5 | (0x56 >> 3))}));
}

TEST(SurfaceConversion, TwentyFourBitPixelsAreBlueGreenRedBytes) {
    DynamicSurface source(2, 1, format24());
    DynamicSurface frame(2, 1, frameFormat());
    const uint8_t bytes[] = {0x33, 0x22, 0x11, 0xcc, 0xbb, 0xaa};
    std::memcpy(source.lock(), bytes, sizeof bytes);
    source.unlock();
    source.copy(frame);
    EXPECT_EQ(pixelsOf<uint32_t>(frame), (std::vector<uint32_t>{0x112233, 0xaabbcc}));

    DynamicSurface again(2, 1, format24());
    frame.copy(again);
    EXPECT_EQ(0, std::memcmp(again.lock(), bytes, sizeof bytes));
    again.unlock();
}

TEST(SurfaceConversion, ChannelsFollowTheMasksNotTheirOrder) {
    const DynamicFormat blueFirst(32, 0x0000ff, 0x00ff00, 0xff0000, int32_t(0xff000000));
    DynamicSurface frame(1, 1, frameFormat());
    DynamicSurface swapped(1, 1, blueFirst);
    fill<uint32_t>(frame, {0x123456});
    frame.copy(swapped);
    // Red and blue trade places; a source without alpha arrives opaque.
    EXPECT_EQ(pixelsOf<uint32_t>(swapped)[0], 0xff563412u);
}

TEST(SurfaceConversion, IndexedPixelsGoThroughTheSurfacePalette) {
    std::vector<int32_t> colours(256, 0);
    colours[1] = 0xff0000;
    colours[2] = 0x00ff00;
    colours[255] = 0x0000ff;
    const DynamicPalette palette(colours.data());
    DynamicSurface canvas(3, 1, indexed());
    canvas.setPalette(palette);
    fill<uint8_t>(canvas, {1, 2, 255});

    DynamicSurface frame(3, 1, frameFormat());
    canvas.copy(frame);
    EXPECT_EQ(pixelsOf<uint32_t>(frame), (std::vector<uint32_t>{0xff0000, 0x00ff00, 0x0000ff}));
    DynamicSurface narrow(3, 1, format16());
    canvas.copy(narrow);
    EXPECT_EQ(pixelsOf<uint16_t>(narrow), (std::vector<uint16_t>{0x7c00, 0x03e0, 0x001f}));
    DynamicSurface bytes(3, 1, format24());
    canvas.copy(bytes);
    EXPECT_EQ(pixelsOf<uint8_t>(bytes), (std::vector<uint8_t>{0, 0, 0xff, 0, 0xff, 0, 0xff, 0, 0}));
}

TEST(SurfaceConversion, IndexedToIndexedKeepsTheIndicesAndDirectToIndexedTakesTheNearestColour) {
    std::vector<int32_t> colours(256, 0x808080);
    colours[0] = 0x000000;
    colours[7] = 0xffffff;
    colours[9] = 0xf00000;
    const DynamicPalette palette(colours.data());
    DynamicSurface from(2, 1, indexed());
    DynamicSurface to(2, 1, indexed());
    fill<uint8_t>(from, {7, 200});
    from.copy(to);
    EXPECT_EQ(pixelsOf<uint8_t>(to), (std::vector<uint8_t>{7, 200}));

    DynamicSurface frame(3, 1, frameFormat());
    fill<uint32_t>(frame, {0xfefefe, 0xff1010, 0x010101});
    to.setPalette(palette);
    DynamicSurface three(3, 1, indexed());
    three.setPalette(palette);
    frame.copy(three);
    EXPECT_EQ(pixelsOf<uint8_t>(three), (std::vector<uint8_t>{7, 9, 0}));
}

TEST(SurfaceAreaCopy, BeatPulseMagnifiesTheInnerRectangleOntoTheWholeFrame) {
    DynamicSurface background(320, 240, frameFormat());
    DynamicSurface frame(320, 240, frameFormat());
    fill(background, positionFrame());
    background.copy(frame, DynamicArea(10, 10, 310, 230), DynamicArea(0, 0, 320, 240));

    const std::vector<uint32_t> result = pixelsOf<uint32_t>(frame);
    std::vector<int> columnUses(320, 0);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const uint32_t pixel = result[y * 320 + x];
            const int sourceX = int(pixel & 0xffff);
            const int sourceY = int(pixel >> 16);
            // Nearest pixel under each target pixel's centre.
            ASSERT_EQ(sourceX, 10 + (2 * x + 1) * 300 / 640) << "at " << x << ", " << y;
            ASSERT_EQ(sourceY, 10 + (2 * y + 1) * 220 / 480) << "at " << x << ", " << y;
            if (y == 0) ++columnUses[sourceX];
        }
    }
    EXPECT_EQ(result.front(), (10u << 16) | 10u);
    EXPECT_EQ(result.back(), (229u << 16) | 309u);
    // Every inner column appears, none more than twice: no column is lost.
    for (int x = 10; x < 310; ++x) {
        EXPECT_GE(columnUses[x], 1) << x;
        EXPECT_LE(columnUses[x], 2) << x;
    }
}

TEST(SurfaceAreaCopy, EqualAreasCopyExactlyAndShrinkingSamplesPixelCentres) {
    DynamicSurface background(320, 240, frameFormat());
    DynamicSurface frame(320, 240, frameFormat());
    fill(background, positionFrame());
    background.copy(frame, DynamicArea(0, 0, 320, 240), DynamicArea(0, 0, 320, 240));
    EXPECT_EQ(pixelsOf<uint32_t>(frame), positionFrame());

    DynamicSurface small(2, 2, frameFormat());
    background.copy(small, DynamicArea(0, 0, 4, 4), DynamicArea(0, 0, 2, 2));
    EXPECT_EQ(pixelsOf<uint32_t>(small), (std::vector<uint32_t>{0x10001, 0x10003, 0x30001, 0x30003}));
}

TEST(SurfaceAreaCopy, ScaledCopyConvertsIndexedSources) {
    std::vector<int32_t> colours(256, 0);
    for (int i = 0; i < 256; ++i) colours[i] = i * 0x010101;
    DynamicSurface canvas(2, 1, indexed());
    canvas.setPalette(DynamicPalette(colours.data()));
    fill<uint8_t>(canvas, {10, 20});
    DynamicSurface frame(4, 2, frameFormat());
    canvas.copy(frame, DynamicArea(0, 0, 2, 1), DynamicArea(0, 0, 4, 2));
    EXPECT_EQ(pixelsOf<uint32_t>(frame),
              (std::vector<uint32_t>{0x0a0a0a, 0x0a0a0a, 0x141414, 0x141414, 0x0a0a0a, 0x0a0a0a, 0x141414, 0x141414}));
}

TEST(SurfaceAreaCopy, AreasReachingOutsideAreClippedToTheSurfaces) {
    DynamicSurface source(4, 4, frameFormat());
    std::vector<uint32_t> numbered(16);
    for (int i = 0; i < 16; ++i) numbered[i] = 100 + i;
    fill(source, numbered);
    DynamicSurface target(4, 4, frameFormat());

    // Target area hanging off the top left: only the part inside is written.
    fill(target, std::vector<uint32_t>(16, 7));
    source.copy(target, DynamicArea(0, 0, 4, 4), DynamicArea(-2, -1, 2, 3));
    EXPECT_EQ(pixelsOf<uint32_t>(target),
              (std::vector<uint32_t>{106, 107, 7, 7, 110, 111, 7, 7, 114, 115, 7, 7, 7, 7, 7, 7}));

    // Source area hanging off the bottom right: pixels that would sample
    // outside the source are left alone.
    fill(target, std::vector<uint32_t>(16, 7));
    source.copy(target, DynamicArea(2, 2, 6, 6), DynamicArea(0, 0, 4, 4));
    EXPECT_EQ(pixelsOf<uint32_t>(target),
              (std::vector<uint32_t>{110, 111, 7, 7, 114, 115, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
}

TEST(SurfaceAreaCopy, EmptyReversedAndExtremeAreasAreHarmless) {
    DynamicSurface source(4, 4, frameFormat());
    fill(source, std::vector<uint32_t>(16, 5));
    DynamicSurface target(4, 4, frameFormat());
    fill(target, std::vector<uint32_t>(16, 7));
    source.copy(target, DynamicArea(0, 0, 0, 4), DynamicArea(0, 0, 4, 4));
    source.copy(target, DynamicArea(3, 3, 1, 1), DynamicArea(0, 0, 4, 4));
    source.copy(target, DynamicArea(0, 0, 4, 4), DynamicArea(10, 10, 20, 20));
    source.copy(target, DynamicArea(0, 0, 4, 4), DynamicArea(0, 0, -4, 4));
    EXPECT_EQ(pixelsOf<uint32_t>(target), std::vector<uint32_t>(16, 7));

    source.copy(target, DynamicArea(INT_MIN, INT_MIN, INT_MAX, INT_MAX),
                DynamicArea(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    source.copy(target, DynamicArea(0, 0, 4, 4), DynamicArea(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    source.copy(target, DynamicArea(INT_MIN, 0, INT_MAX, 4), DynamicArea(0, 0, 4, 4));
    EXPECT_EQ(pixelsOf<uint32_t>(target), std::vector<uint32_t>(16, 5));
}

TEST(SurfaceAreaCopy, OverlappingCopyWithinOneSurfaceReadsTheOriginal) {
    DynamicSurface strip(5, 1, frameFormat());
    fill<uint32_t>(strip, {1, 2, 3, 4, 5});
    strip.copy(strip, DynamicArea(0, 0, 4, 1), DynamicArea(1, 0, 5, 1));
    EXPECT_EQ(pixelsOf<uint32_t>(strip), (std::vector<uint32_t>{1, 1, 2, 3, 4}));
    strip.copy(strip, DynamicArea(0, 0, 2, 1), DynamicArea(0, 0, 5, 1));
    EXPECT_EQ(pixelsOf<uint32_t>(strip), (std::vector<uint32_t>{1, 1, 1, 1, 1}));
}

TEST(SurfaceCopy, WholeCopiesOfDifferentSizesScale) {
    DynamicSurface small(2, 1, frameFormat());
    fill<uint32_t>(small, {1, 2});
    DynamicSurface wide(4, 2, frameFormat());
    small.copy(wide);
    EXPECT_EQ(pixelsOf<uint32_t>(wide), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2}));
}

TEST(SurfaceLoad, ReadsRowsByPitchAndConvertsThroughThePalette) {
    std::vector<int32_t> colours(256, 0);
    colours[3] = 0x010203;
    colours[4] = 0x040506;
    const DynamicPalette palette(colours.data());
    // Two rows of two pixels, each row padded to four bytes.
    const uint8_t pixels[] = {3, 4, 0xee, 0xee, 4, 3, 0xee, 0xee};
    DynamicSurface frame(2, 2, frameFormat());
    frame.load(pixels, 2, 2, 4, indexed(), palette);
    EXPECT_EQ(pixelsOf<uint32_t>(frame), (std::vector<uint32_t>{0x010203, 0x040506, 0x040506, 0x010203}));

    const uint16_t direct[] = {0x7c00, 0x001f};
    DynamicSurface row(2, 1, frameFormat());
    row.load(direct, 2, 1, 4, format16(), palette);
    EXPECT_EQ(pixelsOf<uint32_t>(row), (std::vector<uint32_t>{0xff0000, 0x0000ff}));
}

TEST(SurfaceLoad, AreaLoadPlacesPixelsAndClips) {
    const uint32_t pixels[] = {1, 2, 3, 4};
    DynamicSurface frame(3, 3, frameFormat());
    frame.load(pixels, 2, 2, 8, frameFormat(), DynamicPalette(), DynamicArea(0, 0, 2, 2), DynamicArea(2, 2, 4, 4));
    EXPECT_EQ(pixelsOf<uint32_t>(frame), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

// Pictures of one width and many heights, loaded one after another, as a
// set of stripes is: every load must use its own column and row layout.
TEST(SurfaceLoad, ManyPicturesOfOneWidthEachLoadWhole) {
    for (int height = 1; height <= 12; ++height) {
        std::vector<uint32_t> pixels(size_t(3) * height);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(height * 1000 + i);
        DynamicSurface picture(3, height, frameFormat());
        picture.load(pixels.data(), 3, height, 12, frameFormat(), DynamicPalette());
        EXPECT_EQ(pixelsOf<uint32_t>(picture), pixels) << "height " << height;
    }
}

TEST(SurfaceLoad, RefusesPixelArraysItCannotReadSafely) {
    const uint32_t pixels[4] = {};
    const DynamicPalette palette;
    DynamicSurface frame(2, 2, frameFormat());
    EXPECT_THROW(frame.load(nullptr, 2, 2, 8, frameFormat(), palette), DynamicError);
    EXPECT_THROW(frame.load(pixels, 2, 2, 7, frameFormat(), palette), DynamicError);  // pitch shorter than a row
    EXPECT_THROW(frame.load(pixels, 2, 2, -8, frameFormat(), palette), DynamicError);
    EXPECT_THROW(frame.load(pixels, 0, 2, 8, frameFormat(), palette), DynamicError);
    EXPECT_THROW(frame.load(pixels, 2, -1, 8, frameFormat(), palette), DynamicError);
    EXPECT_THROW(frame.load(pixels, 2, 2, 8, DynamicFormat(), palette), DynamicError);
    EXPECT_THROW(ptc_surface_load(frame.get(), pixels, 2, 2, 2, indexed().get(), nullptr), DynamicError);
}

TEST(SurfaceCreate, RefusesBadSizesAndFormats) {
    EXPECT_THROW(DynamicSurface(0, 240, frameFormat()), DynamicError);
    EXPECT_THROW(DynamicSurface(320, -1, frameFormat()), DynamicError);
    EXPECT_THROW(DynamicSurface(INT_MAX, INT_MAX, frameFormat()), DynamicError);
    EXPECT_THROW(DynamicSurface(320, 240, DynamicFormat()), DynamicError);
    try {
        DynamicSurface(-5, 3, frameFormat());
        FAIL() << "no error";
    } catch (const DynamicError& error) {
        EXPECT_NE(std::string(error.message()).find("-5 x 3"), std::string::npos) << error.message();
    }
}

TEST(Surface, StartsBlackClearsToBlackAndReportsItsShape) {
    DynamicSurface frame(3, 2, format24());
    EXPECT_EQ(frame.width(), 3);
    EXPECT_EQ(frame.height(), 2);
    EXPECT_EQ(frame.format().bits(), 24);
    EXPECT_EQ(pixelsOf<uint8_t>(frame), std::vector<uint8_t>(18, 0));
    fill(frame, std::vector<uint8_t>(18, 0x55));
    frame.clear();
    EXPECT_EQ(pixelsOf<uint8_t>(frame), std::vector<uint8_t>(18, 0));
}

TEST(Surface, LocksNestAndAnUnmatchedUnlockIsAnError) {
    DynamicSurface frame(1, 1, frameFormat());
    void* first = frame.lock();
    EXPECT_EQ(frame.lock(), first);
    frame.unlock();
    frame.unlock();
    EXPECT_THROW(frame.unlock(), DynamicError);
}

}  // namespace
