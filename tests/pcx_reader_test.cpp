// The PCX reader: run-length decoding, plane layout, header geometry, the
// palette at the end of the file, damaged files, and files written by
// independent programs compared pixel by pixel with their source.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <vector>

#include "image/Image.h"
#include "image/PCXHandler.h"
#include "support/image_fixtures.h"

namespace {

struct PcxGeometry {
    int xmin = 0;
    int ymin = 0;
    int xmax = 0;
    int ymax = 0;
    int planes = 1;
    int bytesPerLine = 0;
    int encoding = 1;
};

// Entry i of the palette the test files carry.
int32_t paletteEntry(int i) { return (i << 16) | ((255 - i) << 8) | ((i * 3) & 0xff); }

std::vector<uint8_t> pcxFile(const PcxGeometry& g, const std::vector<uint8_t>& data, bool withPalette) {
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = 10;
    bytes[1] = 5;
    bytes[2] = static_cast<uint8_t>(g.encoding);
    bytes[3] = 8;
    auto put16 = [&bytes](int at, int value) {
        bytes[at] = static_cast<uint8_t>(value & 0xff);
        bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xff);
    };
    put16(4, g.xmin);
    put16(6, g.ymin);
    put16(8, g.xmax);
    put16(10, g.ymax);
    bytes[65] = static_cast<uint8_t>(g.planes);
    put16(66, g.bytesPerLine);
    bytes.resize(128 + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + 128);
    if (withPalette) {
        bytes.push_back(12);
        for (int i = 0; i < 256; ++i) {
            const int32_t entry = paletteEntry(i);
            bytes.push_back(static_cast<uint8_t>(entry >> 16));
            bytes.push_back(static_cast<uint8_t>(entry >> 8));
            bytes.push_back(static_cast<uint8_t>(entry));
        }
    }
    return bytes;
}

TEST(PcxReader, DecodesRunsLiteralsAndPaletteOfAnIndexedFile) {
    ScratchDir dir;
    const std::string path = dir.path("codes.pcx");
    // 0xC1 v is one v, 0xFF v is 63 of v, a lone 0xC0 is the pixel 0xC0; the
    // even line length leaves one padding byte after the 65 pixels.
    writeFile(path, pcxFile({0, 0, 64, 0, 1, 66}, {0xC1, 5, 0xFF, 7, 0xC0, 0x00}, true));

    Image image(path.c_str());
    ASSERT_EQ(image.width(), 65);
    ASSERT_EQ(image.height(), 1);
    EXPECT_TRUE(image.format().indexed());
    EXPECT_EQ(image.format().bits(), 8);
    EXPECT_TRUE(image.hasPalette());
    std::vector<uint8_t> expected{5};
    expected.insert(expected.end(), 63, 7);
    expected.push_back(0xC0);
    EXPECT_EQ(pixelsOf(image), expected);

    DynamicPalette palette = image.palette();
    const int32_t* entries = palette.lock();
    for (int i : {0, 5, 7, 0xC0, 255}) EXPECT_EQ(entries[i], paletteEntry(i)) << "entry " << i;
    palette.unlock();
}

TEST(PcxReader, SplitsThreePlanesWithPaddingAndRunsAcrossPlanes) {
    ScratchDir dir;
    const std::string path = dir.path("planes.pcx");
    // Width 3 in lines of 4 bytes per plane. Line 0: one run fills red and
    // green. Line 1: the blue run is 2 bytes too long; the excess must not
    // reach line 2.
    const std::vector<uint8_t> data{
        0xC8, 0x11, 1,    2,    3,    4,                             // line 0
        0x0A, 0x0B, 0x0C, 0x00, 0x14, 0x15, 0x16, 0x00, 0xC6, 0x1E,  // line 1
        0xC4, 0x21, 0xC4, 0x22, 0xC4, 0x23,                          // line 2
    };
    writeFile(path, pcxFile({0, 0, 2, 2, 3, 4}, data, false));

    Image image(path.c_str());
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 3);
    const DynamicFormat format = image.format();
    EXPECT_EQ(format.bits(), 24);
    EXPECT_EQ(format.r(), 0xff0000);
    EXPECT_EQ(format.g(), 0x00ff00);
    EXPECT_EQ(format.b(), 0x0000ff);
    EXPECT_FALSE(image.hasPalette());
    // Blue, green, red in memory.
    const std::vector<uint8_t> expected{
        1,    0x11, 0x11, 2,    0x11, 0x11, 3,    0x11, 0x11,  //
        0x1E, 0x14, 0x0A, 0x1E, 0x15, 0x0B, 0x1E, 0x16, 0x0C,  //
        0x23, 0x22, 0x21, 0x23, 0x22, 0x21, 0x23, 0x22, 0x21,
    };
    EXPECT_EQ(pixelsOf(image), expected);
}

TEST(PcxReader, TakesSizeFromOffsetCoordinatesAndIgnoresTheEncodingByte) {
    ScratchDir dir;
    const std::string path = dir.path("offset.pcx");
    PcxGeometry geometry{10, 5, 19, 6, 1, 10};
    geometry.encoding = 0;
    writeFile(path, pcxFile(geometry, {0xCA, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0x20}, true));

    Image image(path.c_str());
    EXPECT_EQ(image.width(), 10);
    EXPECT_EQ(image.height(), 2);
    EXPECT_EQ(pixelsOf(image), (std::vector<uint8_t>{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0x20}));
}

TEST(PcxReader, RefusesDamagedFilesWithTheirOwnMessages) {
    ScratchDir dir;
    const std::string path = dir.path("damaged.pcx");
    const std::vector<uint8_t> fullLine(0x20, 0x33);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    std::vector<uint8_t> noMarker = pcxFile({0, 0, 3, 0, 1, 4}, {1, 2, 3, 4}, true);
    noMarker[noMarker.size() - 769] = 11;
    const std::vector<Case> cases{
        {"palette marker missing", noMarker, "Vorla error - no palette in 8-bit .PCX file"},
        {"indexed file shorter than a palette", pcxFile({0, 0, 3, 0, 1, 4}, {1, 2, 3, 4}, false),
         "Vorla error - no palette in 8-bit .PCX file"},
        {"pixel data cut short", pcxFile({0, 0, 3, 1, 3, 4}, {1, 2, 3, 4, 5}, false),
         "Vorla error - Unexpected end of file"},
        {"run without its value", pcxFile({0, 0, 3, 0, 3, 4}, {0xC4, 1, 0xC4}, false),
         "Vorla error - Unexpected end of file"},
        {"header only", pcxFile({0, 0, 3, 0, 3, 4}, {}, false), "Vorla error - Unexpected end of file"},
        {"maximum below minimum", pcxFile({5, 0, 4, 0, 3, 4}, fullLine, false), ""},
        {"wider than any picture", pcxFile({0, 0, 16384, 0, 3, 16386}, fullLine, false), ""},
        {"two planes", pcxFile({0, 0, 3, 0, 2, 4}, fullLine, false), ""},
        {"fewer bytes per line than pixels", pcxFile({0, 0, 31, 0, 1, 4}, fullLine, true), ""},
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        const std::string error = errorFrom([&] { Image image(path.c_str()); });
        if (*c.message) {
            EXPECT_EQ(error, c.message) << c.what;
        } else {
            EXPECT_EQ(error.rfind("Vorla error - ", 0), 0u) << c.what << ": " << error;
        }
    }
}

TEST(PcxReader, ReportsAFileThatCannotBeOpenedOrReopened) {
    ScratchDir dir;
    EXPECT_EQ(errorFrom([&] { PCXHandler handler(dir.path("missing.pcx").c_str()); }),
              "Vorla error - File does not exist");
    // A directory is no picture file.
    EXPECT_EQ(errorFrom([&] { Image image(dir.path("").c_str()); }), "Vorla error - File does not exist");

    const std::string path = dir.path("vanishing.pcx");
    writeFile(path, pcxFile({0, 0, 3, 0, 3, 4}, std::vector<uint8_t>(12, 1), false));
    PCXHandler handler(path.c_str());
    ASSERT_EQ(handler.valid(), 1);
    std::remove(path.c_str());
    std::vector<uint8_t> pixels(12);
    DynamicPalette palette;
    EXPECT_EQ(errorFrom([&] { handler.load(pixels.data(), &palette); }), "Vorla error - File does not exist");
    EXPECT_EQ(errorFrom([&] { handler.load(nullptr, &palette); }), "Vorla error - no pixels to load image onto");
}

TEST(PcxReader, ReadsWhatNetpbmWrites) {
    if (!toolAvailable("ppmtopcx")) GTEST_SKIP() << "netpbm is not installed";
    ScratchDir dir;
    const RgbPicture indexed = makePicture(37, 23, 200);
    const RgbPicture trueColour = makePicture(41, 19, 0);
    writePpm(dir.path("indexed.ppm"), indexed);
    writePpm(dir.path("true.ppm"), trueColour);
    ASSERT_TRUE(runQuietly("ppmtopcx -8bit " + dir.path("indexed.ppm") + " > " + dir.path("indexed.pcx")));
    ASSERT_TRUE(runQuietly("ppmtopcx -24bit " + dir.path("true.ppm") + " > " + dir.path("true.pcx")));
    expectSamePicture(dir.path("indexed.pcx"), indexed, 1);
    expectSamePicture(dir.path("true.pcx"), trueColour, 3);
}

TEST(PcxReader, ReadsWhatImageMagickWrites) {
    if (!toolAvailable("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    ScratchDir dir;
    const RgbPicture indexed = makePicture(64, 30, 256);
    const RgbPicture trueColour = makePicture(33, 17, 0);
    writePpm(dir.path("indexed.ppm"), indexed);
    writePpm(dir.path("true.ppm"), trueColour);
    ASSERT_TRUE(runQuietly("convert " + dir.path("indexed.ppm") + " -type Palette " + dir.path("indexed.pcx")));
    ASSERT_TRUE(runQuietly("convert " + dir.path("true.ppm") + " -type TrueColor " + dir.path("true.pcx")));
    expectSamePicture(dir.path("indexed.pcx"), indexed, 1);
    expectSamePicture(dir.path("true.pcx"), trueColour, 3);
}

}  // namespace
