// The TGA writer: the exact bytes it writes, round trips through the reader,
// another program reading its files, and the pictures it refuses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "image/Image.h"
#include "image/TGAHandler.h"
#include "support/image_fixtures.h"

namespace {

const DynamicFormat kIndexed(8);
const DynamicFormat kTrue24(24, 0xff0000, 0x00ff00, 0x0000ff, 0);
const DynamicFormat kTrue32(32, 0xff0000, 0x00ff00, 0x0000ff, 0);

DynamicPalette rampPalette() {
    std::vector<int32_t> entries(256);
    for (int i = 0; i < 256; ++i) entries[i] = (i << 16) | ((i ^ 0x5a) << 8) | (255 - i);
    return DynamicPalette(entries.data());
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<long>(from),
                                bytes.begin() + static_cast<long>(from + count));
}

TEST(TgaWriter, WritesAColourMappedFileAndReadsItBack) {
    ScratchDir dir;
    const std::string path = dir.path("indexed.tga");
    const std::vector<uint8_t> pixels{0, 1, 2, 255, 128, 64};
    const DynamicPalette palette = rampPalette();
    Image().save(path.c_str(), 3, 2, &kIndexed, &palette, pixels.data(), IMAGE_TGA, nullptr);

    const std::vector<uint8_t> file = readFile(path);
    ASSERT_EQ(file.size(), 18u + 768 + 6);
    EXPECT_EQ(slice(file, 0, 18), (std::vector<uint8_t>{0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 3, 0, 2, 0, 8, 0x20}));
    // Entries as blue, green, red.
    EXPECT_EQ(slice(file, 18, 3), (std::vector<uint8_t>{255, 0x5a, 0}));
    EXPECT_EQ(slice(file, 18 + 3 * 200, 3), (std::vector<uint8_t>{55, 200 ^ 0x5a, 200}));
    EXPECT_EQ(slice(file, 18 + 768, 6), pixels);

    Image back(path.c_str());
    EXPECT_TRUE(back.format().indexed());
    EXPECT_EQ(pixelsOf(back), pixels);
    DynamicPalette readPalette = back.palette();
    DynamicPalette written = palette;
    EXPECT_EQ(std::vector<int32_t>(readPalette.lock(), readPalette.lock() + 256),
              std::vector<int32_t>(written.lock(), written.lock() + 256));
    readPalette.unlock();
    written.unlock();
}

TEST(TgaWriter, WritesATrueColourFileUncompressedUnlessAskedOtherwise) {
    ScratchDir dir;
    const std::string path = dir.path("true.tga");
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 2 * 3 * 4; ++i) pixels.push_back(static_cast<uint8_t>(i * 11));
    const TGASaveOptions other{2};
    for (const TGASaveOptions* options : {static_cast<const TGASaveOptions*>(nullptr), &other}) {
        Image().save(path.c_str(), 2, 3, &kTrue32, nullptr, pixels.data(), IMAGE_TGA, options);
        const std::vector<uint8_t> file = readFile(path);
        ASSERT_EQ(file.size(), 18u + pixels.size());
        EXPECT_EQ(slice(file, 0, 18), (std::vector<uint8_t>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 3, 0, 32, 0x20}));
        EXPECT_EQ(slice(file, 18, pixels.size()), pixels);
        Image back(path.c_str());
        EXPECT_EQ(back.format().bits(), 32);
        EXPECT_EQ(pixelsOf(back), pixels);
    }
}

TEST(TgaWriter, SavesTheContentsOfASurface) {
    ScratchDir dir;
    const std::string path = dir.path("surface.tga");
    DynamicSurface surface(4, 3, kTrue32);
    uint32_t* words = static_cast<uint32_t*>(surface.lock());
    for (int i = 0; i < 12; ++i) words[i] = 0x00102030u * static_cast<uint32_t>(i + 1);
    surface.unlock();
    Image().save(path.c_str(), surface, IMAGE_TGA, nullptr);

    Image back(path.c_str());
    ASSERT_EQ(back.width(), 4);
    ASSERT_EQ(back.height(), 3);
    const std::vector<uint32_t> colours = coloursOf(back);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(colours[i], (0x00102030u * static_cast<uint32_t>(i + 1)) & 0xffffff) << i;
    // The surface is unlocked again even when the save fails.
    EXPECT_NE(errorFrom([&] { Image().save(path.c_str(), surface, 7, nullptr); }), "");
    EXPECT_NE(errorFrom([&] { surface.unlock(); }), "") << "the surface is left locked";
}

TEST(TgaWriter, WritesFilesImageMagickReads) {
    if (!toolAvailable("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    ScratchDir dir;
    const RgbPicture picture = makePicture(23, 11, 0);
    std::vector<uint8_t> bgr;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        bgr.insert(bgr.end(), {picture.rgb[i + 2], picture.rgb[i + 1], picture.rgb[i]});
    }
    Image().save(dir.path("true.tga").c_str(), picture.width, picture.height, &kTrue24, nullptr, bgr.data(), IMAGE_TGA,
                 nullptr);

    // An indexed copy of a picture of 256 colours, index i holding colour i.
    const RgbPicture mapped = makePicture(19, 13, 256);
    std::vector<int32_t> entries(256);
    std::vector<uint8_t> indices;
    for (int y = 0; y < mapped.height; ++y) {
        for (int x = 0; x < mapped.width; ++x) {
            const uint32_t colour = mapped.at(x, y);
            const int index = static_cast<int>(colour >> 16);  // the picture's red is its index
            entries[index] = static_cast<int32_t>(colour);
            indices.push_back(static_cast<uint8_t>(index));
        }
    }
    const DynamicPalette palette(entries.data());
    Image().save(dir.path("mapped.tga").c_str(), mapped.width, mapped.height, &kIndexed, &palette, indices.data(),
                 IMAGE_TGA, nullptr);

    for (const auto& [name, source] :
         {std::pair<std::string, const RgbPicture&>{"true", picture}, {"mapped", mapped}}) {
        ASSERT_TRUE(runQuietly("convert " + dir.path(name + ".tga") + " " + dir.path(name + ".ppm"))) << name;
        const RgbPicture read = readPpm(dir.path(name + ".ppm"));
        EXPECT_EQ(read.width, source.width) << name;
        EXPECT_EQ(read.height, source.height) << name;
        EXPECT_EQ(read.rgb, source.rgb) << name;
    }
}

TEST(TgaWriter, RefusesWhatItCannotWriteFaithfully) {
    ScratchDir dir;
    const std::string path = dir.path("refused.tga");
    const std::vector<uint8_t> pixels(16, 1);
    const DynamicPalette palette = rampPalette();
    const TGASaveOptions compressed{1};
    auto save = [&](const char* name, int width, int height, const DynamicFormat* format, const DynamicPalette* colours,
                    const void* data, const TGASaveOptions* options) {
        return errorFrom([&] { Image().save(name, width, height, format, colours, data, IMAGE_TGA, options); });
    };
    EXPECT_EQ(save(path.c_str(), 2, 2, &kTrue32, nullptr, pixels.data(), &compressed),
              "Vorla error - Cannot save compressed TGA files");
    EXPECT_EQ(save(dir.path("no/such/dir.tga").c_str(), 2, 2, &kTrue32, nullptr, pixels.data(), nullptr),
              "Vorla error - Cannot create TGA file");
    // A side beyond 16 bits would be written as another size.
    EXPECT_NE(save(path.c_str(), 65536, 1, &kIndexed, &palette, pixels.data(), nullptr), "");
    EXPECT_NE(save(path.c_str(), 0, 1, &kIndexed, &palette, pixels.data(), nullptr), "");
    EXPECT_NE(save(path.c_str(), 2, 2, &kIndexed, nullptr, pixels.data(), nullptr), "");
    EXPECT_NE(save(path.c_str(), 2, 2, &kTrue32, nullptr, nullptr, nullptr), "");
    const DynamicFormat empty;
    EXPECT_NE(save(path.c_str(), 2, 2, &empty, nullptr, pixels.data(), nullptr), "");
    // A full device is reported, not taken for success.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(save("/dev/full", 2, 2, &kTrue32, nullptr, pixels.data(), nullptr),
                  "Vorla error - Cannot write TGA file");
    }
}

}  // namespace
