#include "effects/cBitmap.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using namespace test_support;

namespace {

// A 32-bit picture whose pixels are given, clipped to (0, 0)-(clipWidth, clipHeight).
std::unique_ptr<cBitmap> directPicture(int clipWidth, int clipHeight, int mode, int width, int height,
                                       const std::vector<uint32_t>& pixels) {
    auto picture = std::make_unique<cBitmap>(clipWidth, clipHeight, mode, width, height, directFormat());
    uint32_t* p = static_cast<uint32_t*>(picture->lock());
    for (size_t i = 0; i < pixels.size(); ++i) p[i] = pixels[i];
    picture->unlock();
    return picture;
}

std::unique_ptr<cBitmap> indexedPicture(int mode, int width, int height, const std::vector<uint8_t>& pixels) {
    auto picture = std::make_unique<cBitmap>(8, 8, mode, width, height, indexedFormat());
    uint8_t* p = static_cast<uint8_t*>(picture->lock());
    for (size_t i = 0; i < pixels.size(); ++i) p[i] = pixels[i];
    picture->unlock();
    return picture;
}

// Distinct values for every pixel, none of them 0.
std::vector<uint32_t> numbered(int count, uint32_t base) {
    std::vector<uint32_t> pixels(count);
    for (int i = 0; i < count; ++i) pixels[i] = base + i;
    return pixels;
}

}  // namespace

TEST(BitmapDraw, CopiesAWholeFramePicture) {
    const auto pixels = numbered(320 * 240, 1);
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 320, 240, pixels);
    auto target = makeSurface(320, 240, directFormat());
    EXPECT_EQ(picture->draw(*target, 0, 0), 1);
    EXPECT_EQ(readPixels32(*target), pixels);
    EXPECT_EQ(picture->getWidth(), 320);
    EXPECT_EQ(picture->getHeight(), 240);
}

TEST(BitmapDraw, SkipsThePartLeftOfAndAboveTheClipRectangle) {
    const auto pixels = numbered(320 * 240, 1);
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 320, 240, pixels);
    auto target = makeSurface(320, 240, directFormat());
    writePixels32(*target, std::vector<uint32_t>(320 * 240, 0xdeadbeef));
    EXPECT_EQ(picture->draw(*target, -10, -5), 1);
    const auto drawn = readPixels32(*target);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const uint32_t expected = (x < 310 && y < 235) ? pixels[(y + 5) * 320 + x + 10] : 0xdeadbeef;
            ASSERT_EQ(drawn[y * 320 + x], expected) << x << "," << y;
        }
    }
}

TEST(BitmapDraw, RejectsOnlyPicturesBeyondTheRectanglesEdges) {
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 4, 3, numbered(12, 1));
    auto target = makeSurface(320, 240, directFormat());
    // Touching an edge is not rejected, but nothing is drawn.
    EXPECT_EQ(picture->draw(*target, 320, 0), 1);
    EXPECT_EQ(picture->draw(*target, 0, 240), 1);
    EXPECT_EQ(picture->draw(*target, -4, 0), 1);
    EXPECT_EQ(picture->draw(*target, 0, -3), 1);
    EXPECT_EQ(readPixels32(*target), std::vector<uint32_t>(320 * 240, 0));

    EXPECT_EQ(picture->draw(*target, 321, 0), 0);
    EXPECT_EQ(picture->draw(*target, 0, 241), 0);
    EXPECT_EQ(picture->draw(*target, -5, 0), 0);
    EXPECT_EQ(picture->draw(*target, 0, -4), 0);
    EXPECT_EQ(picture->draw(*target, INT_MAX, INT_MAX), 0);
    EXPECT_EQ(picture->draw(*target, INT_MIN, INT_MIN), 0);
}

TEST(BitmapDraw, ClipsAtTheRightAndBottomEdges) {
    const auto pixels = numbered(12, 1);
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 4, 3, pixels);
    auto target = makeSurface(320, 240, directFormat());
    EXPECT_EQ(picture->draw(*target, 318, 238), 1);
    const auto drawn = readPixels32(*target);
    EXPECT_EQ(drawn[238 * 320 + 318], pixels[0]);
    EXPECT_EQ(drawn[238 * 320 + 319], pixels[1]);
    EXPECT_EQ(drawn[239 * 320 + 318], pixels[4]);
    EXPECT_EQ(drawn[239 * 320 + 319], pixels[5]);
    EXPECT_EQ(drawn[237 * 320 + 319], 0u);
}

TEST(BitmapDraw, ClipsToASmallerRectangle) {
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 8, 8, numbered(64, 1));
    picture->setArea(DynamicArea(2, 3, 5, 6));
    auto target = makeSurface(10, 10, directFormat());
    EXPECT_EQ(picture->draw(*target, 0, 0), 1);
    const auto drawn = readPixels32(*target);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 6;
            EXPECT_EQ(drawn[y * 10 + x], inside ? 1u + y * 8 + x : 0u) << x << "," << y;
        }
    }
}

TEST(BitmapDraw, StaysInsideATargetSmallerThanTheClipRectangle) {
    // The clip rectangle is the show's 320 x 240 and reaches far beyond this
    // target on every side.
    auto picture = directPicture(320, 240, cBitmap::MODE_COPY, 6, 6, numbered(36, 1));
    picture->setArea(DynamicArea(-100, -100, 320, 240));
    auto target = makeSurface(4, 4, directFormat());
    EXPECT_EQ(picture->draw(*target, -3, -2), 1);
    EXPECT_EQ(picture->draw(*target, 2, 3), 1);
    const auto drawn = readPixels32(*target);
    EXPECT_EQ(drawn[0], 1u + 2 * 6 + 3);          // picture (3, 2) at (0, 0)
    EXPECT_EQ(drawn[3 * 4 + 3], 1u + 0 * 6 + 1);  // picture (1, 0) at (3, 3)
    EXPECT_EQ(drawn[3 * 4 + 2], 1u + 0 * 6 + 0);  // picture (0, 0) at (2, 3)
}

TEST(BitmapDirectModes, TransparentSkipsOnlyPureBlack) {
    auto picture = directPicture(320, 240, cBitmap::MODE_TRANSPARENT, 2, 1, {0x00000000, 0x00000001});
    auto target = makeSurface(2, 1, directFormat());
    writePixels32(*target, {0x00abcdef, 0x00abcdef});
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0x00abcdef, 0x00000001}));
}

TEST(BitmapDirectModes, AdditiveSaturatesEachChannelAndClearsTheTopByte) {
    auto picture = directPicture(320, 240, cBitmap::MODE_ADDITIVE, 3, 1, {0x00201020, 0x00010101, 0x00ffffff});
    auto target = makeSurface(3, 1, directFormat());
    writePixels32(*target, {0x00f01020, 0xff102030, 0x00808080});
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0x00ff2040, 0x00112131, 0x00ffffff}));
}

TEST(BitmapDirectModes, InvertFlipsTheWholeWordUnderNonZeroPixels) {
    auto picture = directPicture(320, 240, cBitmap::MODE_INVERT, 3, 1, {0x00000000, 0x01000000, 0x00000010});
    auto target = makeSurface(3, 1, directFormat());
    writePixels32(*target, {0x00123456, 0x00000000, 0x00123456});
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0x00123456, 0xffffffff, 0xffedcba9}));
}

TEST(BitmapDirectModes, WideRowsBlendEveryPixelAsItsOwnModeSays) {
    // Rows long enough for the four-pixel loops, with a ragged end, drawn
    // clipped at an odd offset; every pixel checked against its blend.
    const int pictureWidth = 23, pictureHeight = 3, targetWidth = 29, targetHeight = 5;
    std::vector<uint32_t> pixels(pictureWidth * pictureHeight);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 5 == 0 ? 0 : 0x01f0106fu * static_cast<uint32_t>(i + 1);
    std::vector<uint32_t> start(targetWidth * targetHeight);
    for (size_t i = 0; i < start.size(); ++i) start[i] = 0xa5203099u * static_cast<uint32_t>(i + 3);

    for (int mode = cBitmap::MODE_TRANSPARENT; mode <= cBitmap::MODE_INVERT; ++mode) {
        auto picture = directPicture(targetWidth, targetHeight, mode, pictureWidth, pictureHeight, pixels);
        auto target = makeSurface(targetWidth, targetHeight, directFormat());
        writePixels32(*target, start);
        picture->draw(*target, 9, 1);  // columns 20 and on fall outside
        const auto drawn = readPixels32(*target);
        for (int y = 0; y < targetHeight; ++y) {
            for (int x = 0; x < targetWidth; ++x) {
                const uint32_t d = start[y * targetWidth + x];
                uint32_t expected = d;
                if (x >= 9 && y >= 1 && y < 1 + pictureHeight) {
                    const uint32_t s = pixels[(y - 1) * pictureWidth + (x - 9)];
                    if (mode == cBitmap::MODE_TRANSPARENT) expected = s != 0 ? s : d;
                    if (mode == cBitmap::MODE_INVERT) expected = s != 0 ? ~d : d;
                    if (mode == cBitmap::MODE_ADDITIVE) {
                        expected = 0;
                        for (int shift : {0, 8, 16}) {
                            const uint32_t sum = ((d >> shift) & 0xff) + ((s >> shift) & 0xff);
                            expected |= (sum > 255 ? 255 : sum) << shift;
                        }
                    }
                }
                ASSERT_EQ(drawn[y * targetWidth + x], expected) << "mode " << mode << " at " << x << "," << y;
            }
        }
    }
}

TEST(BitmapDirectModes, UnknownModesDrawNothing) {
    auto picture = directPicture(320, 240, 4, 2, 1, {0x00112233, 0x00445566});
    auto target = makeSurface(2, 1, directFormat());
    EXPECT_EQ(picture->draw(*target, 0, 0), 1);
    picture->setMode(-1);
    EXPECT_EQ(picture->draw(*target, 0, 0), 1);
    EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0, 0}));
    picture->setMode(cBitmap::MODE_COPY);
    EXPECT_EQ(picture->getMode(), cBitmap::MODE_COPY);
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target), (std::vector<uint32_t>{0x00112233, 0x00445566}));
}

TEST(BitmapIndexedModes, EachModeWorksOnBytes) {
    const std::vector<uint8_t> source{0, 1, 100, 200};
    const std::vector<uint8_t> before{50, 50, 200, 7};
    const struct {
        int mode;
        std::vector<uint8_t> after;
    } cases[] = {
        {cBitmap::MODE_COPY, {0, 1, 100, 200}},
        {cBitmap::MODE_TRANSPARENT, {50, 1, 100, 200}},
        {cBitmap::MODE_ADDITIVE, {50, 51, 255, 207}},
        {cBitmap::MODE_INVERT, {50, 205, 55, 248}},
        {7, {50, 50, 200, 7}},
    };
    for (const auto& c : cases) {
        auto picture = indexedPicture(c.mode, 4, 1, source);
        auto target = makeSurface(4, 1, indexedFormat());
        writePixels8(*target, before);
        EXPECT_EQ(picture->draw(*target, 0, 0), 1);
        EXPECT_EQ(readPixels8(*target), c.after) << "mode " << c.mode;
    }
}

TEST(BitmapIndexedModes, RowsFollowTheTargetWidth) {
    auto picture = indexedPicture(cBitmap::MODE_COPY, 2, 2, {1, 2, 3, 4});
    auto target = makeSurface(5, 3, indexedFormat());
    picture->draw(*target, 3, 1);
    EXPECT_EQ(readPixels8(*target), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 0, 3, 4}));
}

TEST(BitmapChecks, RefusesATargetOfAnotherPixelSize) {
    auto picture = indexedPicture(cBitmap::MODE_COPY, 2, 2, {1, 2, 3, 4});
    auto target = makeSurface(8, 8, directFormat());
    EXPECT_THROW(picture->draw(*target, 0, 0), DynamicError);

    auto direct = directPicture(8, 8, cBitmap::MODE_COPY, 2, 2, {1, 2, 3, 4});
    auto canvas = makeSurface(8, 8, indexedFormat());
    EXPECT_THROW(direct->draw(*canvas, 0, 0), DynamicError);
}

TEST(BitmapChecks, RefusesPicturesOfOtherPixelSizes) {
    EXPECT_THROW(cBitmap(8, 8, cBitmap::MODE_COPY, 2, 2, DynamicFormat(16, 0x7c00, 0x03e0, 0x001f, 0)), DynamicError);
    EXPECT_THROW(cBitmap(8, 8, cBitmap::MODE_COPY, 2, 2, DynamicFormat(24, 0xff0000, 0x00ff00, 0x0000ff, 0)),
                 DynamicError);
}

TEST(BitmapFiles, LoadsAPictureAndReloadsItsPixels) {
    TemporaryWorkingDirectory directory;
    writeTga32("first.tga", 3, 2, {0x00010203, 0x00040506, 0x00070809, 0x000a0b0c, 0x000d0e0f, 0x00101112});
    writeSolidTga32("second.tga", 3, 2, 0x00ff8000);

    cBitmap picture(320, 240, "first.tga", cBitmap::MODE_COPY, directFormat());
    EXPECT_EQ(picture.isReady(), 1);
    EXPECT_EQ(picture.getWidth(), 3);
    EXPECT_EQ(picture.getHeight(), 2);
    auto target = makeSurface(3, 2, directFormat());
    picture.draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target),
              (std::vector<uint32_t>{0x00010203, 0x00040506, 0x00070809, 0x000a0b0c, 0x000d0e0f, 0x00101112}));

    EXPECT_EQ(picture.load("second.tga"), 1);
    picture.draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target), std::vector<uint32_t>(6, 0x00ff8000));
}

TEST(BitmapFiles, AMissingFileFailsTheConstruction) {
    TemporaryWorkingDirectory directory;
    EXPECT_THROW(cBitmap(320, 240, "missing.tga", cBitmap::MODE_COPY, directFormat()), DynamicError);
}

TEST(BitmapDirectModes, PicturesWithLongDarkStretchesBlendEveryPixelWhereverTheyAreClipped) {
    // Rows that are dark throughout, lit at either end, or lit in patches
    // separated by dark gaps both shorter and longer than a few pixels.
    const int pictureWidth = 40, pictureHeight = 6, targetWidth = 50, targetHeight = 8;
    std::vector<uint32_t> pixels(pictureWidth * pictureHeight, 0);
    auto light = [&](int y, int from, int to) {
        for (int x = from; x < to; ++x) pixels[y * pictureWidth + x] = 0x00102030u + x * 0x010101u + y;
    };
    light(1, 0, 3);
    light(1, 37, 40);
    light(2, 5, 9);
    light(2, 11, 12);
    light(2, 30, 35);
    light(3, 0, 40);
    light(4, 17, 18);
    light(5, 2, 5);
    light(5, 14, 26);
    std::vector<uint32_t> start(targetWidth * targetHeight);
    for (size_t i = 0; i < start.size(); ++i) start[i] = 0xa5203099u * static_cast<uint32_t>(i + 3);

    for (int mode : {cBitmap::MODE_TRANSPARENT, cBitmap::MODE_INVERT, cBitmap::MODE_ADDITIVE}) {
        auto picture = directPicture(targetWidth, targetHeight, mode, pictureWidth, pictureHeight, pixels);
        const int places[][2] = {{0, 0}, {-13, 1}, {-36, 2}, {15, -2}, {31, 3}, {5, 4}};
        for (const auto& place : places) {
            auto target = makeSurface(targetWidth, targetHeight, directFormat());
            writePixels32(*target, start);
            picture->draw(*target, place[0], place[1]);
            const auto drawn = readPixels32(*target);
            for (int y = 0; y < targetHeight; ++y) {
                for (int x = 0; x < targetWidth; ++x) {
                    const uint32_t d = start[y * targetWidth + x];
                    const int px = x - place[0], py = y - place[1];
                    const bool inside = px >= 0 && px < pictureWidth && py >= 0 && py < pictureHeight;
                    const uint32_t s = inside ? pixels[py * pictureWidth + px] : 0;
                    uint32_t expected = s == 0 ? d : (mode == cBitmap::MODE_TRANSPARENT ? s : ~d);
                    if (mode == cBitmap::MODE_ADDITIVE && inside) {
                        expected = 0;
                        for (int shift : {0, 8, 16}) {
                            const uint32_t sum = ((d >> shift) & 0xff) + ((s >> shift) & 0xff);
                            expected |= (sum > 255 ? 255 : sum) << shift;
                        }
                    }
                    ASSERT_EQ(drawn[y * targetWidth + x], expected)
                        << "mode " << mode << " at " << place[0] << "," << place[1] << " pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(BitmapDirectModes, PixelsWrittenThroughTheLockShowInTheNextDraw) {
    auto picture = directPicture(32, 1, cBitmap::MODE_TRANSPARENT, 32, 1, std::vector<uint32_t>(32, 0));
    auto target = makeSurface(32, 1, directFormat());
    picture->draw(*target, 0, 0);  // an all-dark picture, drawn once
    EXPECT_EQ(readPixels32(*target), std::vector<uint32_t>(32, 0));

    uint32_t* p = static_cast<uint32_t*>(picture->lock());
    p[20] = 0x00abcdefu;
    picture->draw(*target, 0, 0);  // still locked
    EXPECT_EQ(readPixels32(*target)[20], 0x00abcdefu);
    p[25] = 0x00123456u;
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target)[25], 0x00123456u);
    picture->unlock();

    p = static_cast<uint32_t*>(picture->lock());
    p[3] = 0x00000001u;
    picture->unlock();
    picture->draw(*target, 0, 0);
    EXPECT_EQ(readPixels32(*target)[3], 0x00000001u);
}
