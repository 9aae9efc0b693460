// The TGA reader: orientation, pixel depths, the image ID and colour map,
// unrecognised and damaged files, and files written by independent programs
// compared pixel by pixel with their source.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "image/Image.h"
#include "image/TGAHandler.h"
#include "support/image_fixtures.h"

namespace {

struct TgaLayout {
    int imageType = 2;
    int width = 1;
    int height = 1;
    int depth = 24;
    int descriptor = 0x20;
    int idLength = 0;
    int colourMapLength = 0;  // a colour map is present when nonzero
    int entryBits = 24;
    int firstEntry = 0;  // the palette index of the map's first entry
};

std::vector<uint8_t> tgaFile(const TgaLayout& l, const std::vector<uint8_t>& colourMap,
                             const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> bytes(18, 0);
    auto put16 = [&bytes](int at, int value) {
        bytes[at] = static_cast<uint8_t>(value & 0xff);
        bytes[at + 1] = static_cast<uint8_t>((value >> 8) & 0xff);
    };
    bytes[0] = static_cast<uint8_t>(l.idLength);
    bytes[1] = l.colourMapLength ? 1 : 0;
    bytes[2] = static_cast<uint8_t>(l.imageType);
    put16(3, l.firstEntry);
    put16(5, l.colourMapLength);
    bytes[7] = l.colourMapLength ? static_cast<uint8_t>(l.entryBits) : 0;
    put16(12, l.width);
    put16(14, l.height);
    bytes[16] = static_cast<uint8_t>(l.depth);
    bytes[17] = static_cast<uint8_t>(l.descriptor);
    for (int i = 0; i < l.idLength; ++i) bytes.push_back(static_cast<uint8_t>('A' + i));
    bytes.insert(bytes.end(), colourMap.begin(), colourMap.end());
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

// A 24-bit colour map whose entry i is blue i, green 2i, red 255 - i.
std::vector<uint8_t> colourMapOf(int entries) {
    std::vector<uint8_t> map;
    for (int i = 0; i < entries; ++i) {
        map.push_back(static_cast<uint8_t>(i));
        map.push_back(static_cast<uint8_t>(i * 2));
        map.push_back(static_cast<uint8_t>(255 - i));
    }
    return map;
}

int32_t mapColour(int i) { return ((255 - i) << 16) | (((i * 2) & 0xff) << 8) | i; }

TEST(TgaReader, FlipsBottomUpFilesAndKeepsTopDownOnes) {
    ScratchDir dir;
    const std::string path = dir.path("rows.tga");
    // Three rows of one 24-bit pixel each, in file order.
    const std::vector<uint8_t> rows{1, 1, 1, 2, 2, 2, 3, 3, 3};
    writeFile(path, tgaFile({2, 1, 3, 24, 0x00}, {}, rows));
    EXPECT_EQ(pixelsOf(Image(path.c_str())), (std::vector<uint8_t>{3, 3, 3, 2, 2, 2, 1, 1, 1}));
    writeFile(path, tgaFile({2, 1, 3, 24, 0x20}, {}, rows));
    EXPECT_EQ(pixelsOf(Image(path.c_str())), rows);
    // Attribute bits in the low nibble do not change the orientation.
    writeFile(path, tgaFile({2, 1, 3, 24, 0x28}, {}, rows));
    EXPECT_EQ(pixelsOf(Image(path.c_str())), rows);

    for (int descriptor : {0x10, 0x30}) {
        writeFile(path, tgaFile({2, 1, 3, 24, descriptor}, {}, rows));
        EXPECT_EQ(errorFrom([&] { Image image(path.c_str()); }), "Vorla error - Unknown orientation") << descriptor;
    }
}

TEST(TgaReader, ChoosesTheFormatByPixelDepth) {
    ScratchDir dir;
    const std::string path = dir.path("depth.tga");
    struct Case {
        int depth;
        int bits;
        int32_t r, g, b;
    };
    for (const Case& c : {Case{15, 16, 0x7c00, 0x03e0, 0x001f}, Case{16, 16, 0x7c00, 0x03e0, 0x001f},
                          Case{24, 24, 0xff0000, 0x00ff00, 0x0000ff}, Case{32, 32, 0xff0000, 0x00ff00, 0x0000ff}}) {
        const int bytes = (c.depth + 7) / 8;
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 2 * bytes; ++i) pixels.push_back(static_cast<uint8_t>(0x40 + i));
        writeFile(path, tgaFile({2, 2, 1, c.depth, 0x20}, {}, pixels));
        Image image(path.c_str());
        const DynamicFormat format = image.format();
        EXPECT_TRUE(format.direct()) << c.depth;
        EXPECT_EQ(format.bits(), c.bits) << c.depth;
        EXPECT_EQ(format.r(), c.r) << c.depth;
        EXPECT_EQ(format.g(), c.g) << c.depth;
        EXPECT_EQ(format.b(), c.b) << c.depth;
        EXPECT_EQ(format.a(), 0) << c.depth;
        EXPECT_FALSE(image.hasPalette()) << c.depth;
        // Pixel bytes arrive exactly as they stand in the file.
        EXPECT_EQ(pixelsOf(image), pixels) << c.depth;
    }
}

TEST(TgaReader, SkipsTheImageIdAndReadsTheColourMap) {
    ScratchDir dir;
    const std::string path = dir.path("mapped.tga");
    TgaLayout layout{1, 3, 2, 8, 0x20, 12, 256};
    const std::vector<uint8_t> pixels{0, 1, 255, 128, 7, 200};
    writeFile(path, tgaFile(layout, colourMapOf(256), pixels));
    ASSERT_EQ(readFile(path)[30 + 768], 0) << "the map starts at 30 and the pixels follow it";

    Image image(path.c_str());
    EXPECT_TRUE(image.format().indexed());
    EXPECT_TRUE(image.hasPalette());
    EXPECT_EQ(pixelsOf(image), pixels);
    DynamicPalette palette = image.palette();
    const int32_t* entries = palette.lock();
    for (int i : {0, 1, 7, 128, 255}) EXPECT_EQ(entries[i], mapColour(i)) << i;
    palette.unlock();

    // A short map leaves the entries it does not reach black.
    layout.colourMapLength = 3;
    writeFile(path, tgaFile(layout, colourMapOf(3), {0, 1, 2, 2, 1, 0}));
    Image shortMap(path.c_str());
    DynamicPalette shortPalette = shortMap.palette();
    EXPECT_EQ(shortPalette.lock()[2], mapColour(2));
    EXPECT_EQ(shortPalette.lock()[3], 0);
    shortPalette.unlock();
}

TEST(TgaReader, GivesPixelIndexIMapEntryIMinusTheFirstEntryIndex) {
    ScratchDir dir;
    const std::string path = dir.path("first-39.tga");
    // A 72-entry map for indices 39 to 110.
    const TgaLayout layout{1, 4, 2, 8, 0x20, 0, 72, 24, 39};
    const std::vector<uint8_t> pixels{39, 40, 41, 110, 50, 60, 70, 80};
    writeFile(path, tgaFile(layout, colourMapOf(72), pixels));

    Image image(path.c_str());
    EXPECT_EQ(pixelsOf(image), pixels);
    const std::vector<uint32_t> colours = coloursOf(image);
    for (size_t i = 0; i < colours.size(); ++i)
        EXPECT_EQ(colours[i], static_cast<uint32_t>(mapColour(pixels[i] - 39))) << i;
    DynamicPalette palette = image.palette();
    EXPECT_EQ(palette.lock()[38], 0) << "entries before the map are black";
    palette.unlock();

    // Other readers see the same colours in the same file.
    RgbPicture expected{4, 2, {}};
    for (uint32_t colour : colours) {
        for (int shift : {16, 8, 0}) expected.rgb.push_back(static_cast<uint8_t>(colour >> shift));
    }
    if (toolAvailable("convert")) {
        ASSERT_TRUE(runQuietly("convert " + path + " " + path + ".im.ppm"));
        EXPECT_EQ(readPpm(path + ".im.ppm").rgb, expected.rgb);
    }
    if (toolAvailable("tgatoppm")) {
        ASSERT_TRUE(runQuietly("tgatoppm " + path + " > " + path + ".netpbm.ppm"));
        EXPECT_EQ(readPpm(path + ".netpbm.ppm").rgb, expected.rgb);
    }

    // A map that ends exactly at the last palette entry is read whole.
    writeFile(path, tgaFile({1, 2, 1, 8, 0x20, 0, 56, 24, 200}, colourMapOf(56), {200, 255}));
    EXPECT_EQ(coloursOf(Image(path.c_str())),
              (std::vector<uint32_t>{static_cast<uint32_t>(mapColour(0)), static_cast<uint32_t>(mapColour(55))}));
}

TEST(TgaReader, RefusesPixelsAndMapsOutsideThePalette) {
    ScratchDir dir;
    const std::string path = dir.path("outside.tga");
    struct Case {
        TgaLayout layout;
        int entries;
        uint8_t index;
        const char* message;
    };
    const std::vector<Case> cases{
        {{1, 2, 1, 8, 0x20, 0, 72, 24, 39},
         72,
         38,
         "Vorla error - TGA pixel index 38 outside the colour map (entries 39 to 110)"},
        {{1, 2, 1, 8, 0x20, 0, 72, 24, 39},
         72,
         111,
         "Vorla error - TGA pixel index 111 outside the colour map (entries 39 to 110)"},
        {{1, 2, 1, 8, 0x20, 0, 3}, 3, 3, "Vorla error - TGA pixel index 3 outside the colour map (entries 0 to 2)"},
        {{1, 2, 1, 8, 0x20, 0, 100, 24, 200},
         100,
         200,
         "Vorla error - TGA colour map entries 200 to 299 (at most 255)"},
        {{1, 2, 1, 8, 0x20, 0, 1, 24, 65535},
         1,
         0,
         "Vorla error - TGA colour map entries 65535 to 65535 (at most 255)"},
    };
    for (const Case& c : cases) {
        writeFile(path, tgaFile(c.layout, colourMapOf(c.entries), {c.index, c.index}));
        EXPECT_EQ(errorFrom([&] { Image image(path.c_str()); }), c.message) << int{c.index};
    }
}

TEST(TgaReader, ReturnsZeroForAColourMapOfMoreThan256Entries) {
    ScratchDir dir;
    const std::string path = dir.path("long-map.tga");
    writeFile(path, tgaFile({1, 2, 1, 8, 0x20, 0, 257}, colourMapOf(257), {3, 4}));

    TGAHandler handler(path.c_str());
    std::vector<uint8_t> pixels{0xEE, 0xEE};
    DynamicPalette palette;
    EXPECT_EQ(handler.load(pixels.data(), &palette), 0);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{0xEE, 0xEE})) << "nothing is read";
    // Through Image the file is refused rather than shown as an empty array.
    EXPECT_NE(errorFrom([&] { Image image(path.c_str()); }), "");
}

TEST(TgaReader, IgnoresCompressedAndGreyFiles) {
    ScratchDir dir;
    const std::string path = dir.path("other.tga");
    for (int type : {3, 9, 10, 11}) {
        writeFile(path, tgaFile({type, 1, 1, 8, 0x20}, {}, {0}));
        EXPECT_EQ(errorFrom([&] { Image image(path.c_str()); }), "Vorla - Unsupported file format") << type;
    }
}

TEST(TgaReader, RefusesDamagedFiles) {
    ScratchDir dir;
    const std::string path = dir.path("damaged.tga");
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* message;
    };
    const std::vector<Case> cases{
        {"last row cut short", tgaFile({2, 2, 2, 24, 0x20}, {}, std::vector<uint8_t>(11, 9)),
         "Vorla error - Unexpected end of file"},
        {"bottom-up, first row cut short", tgaFile({2, 4, 2, 32, 0x00}, {}, std::vector<uint8_t>(7, 9)),
         "Vorla error - Unexpected end of file"},
        {"header only", tgaFile({2, 2, 2, 16, 0x20}, {}, {}), "Vorla error - Unexpected end of file"},
        {"colour map cut short", tgaFile({1, 2, 2, 8, 0x20, 0, 16}, colourMapOf(5), {}),
         "Vorla error - Unexpected end of file"},
        {"zero width", tgaFile({2, 0, 2, 24, 0x20}, {}, {}), nullptr},
        {"wider than any picture", tgaFile({2, 20000, 1, 24, 0x20}, {}, {}), nullptr},
        {"depth 12", tgaFile({2, 2, 1, 12, 0x20}, {}, std::vector<uint8_t>(4, 1)), nullptr},
        {"colour map of 8-bit entries", tgaFile({1, 2, 1, 8, 0x20, 0, 4, 8}, {1, 2, 3, 4}, {0, 1}), nullptr},
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        const std::string error = errorFrom([&] { Image image(path.c_str()); });
        if (c.message) {
            EXPECT_EQ(error, c.message) << c.what;
        } else {
            EXPECT_EQ(error.rfind("Vorla error - ", 0), 0u) << c.what << ": " << error;
        }
    }

    // The most pixels a header may declare, in a file of the header alone:
    // refused when asked for its size, before the pixels would be allocated.
    writeFile(path, tgaFile({2, 16384, 16384, 32, 0x20}, {}, {}));
    TGAHandler handler(path.c_str());
    int width = 0, height = 0, hasPalette = 0;
    DynamicFormat format;
    EXPECT_EQ(errorFrom([&] { handler.info(width, height, format, hasPalette); }),
              "Vorla error - Unexpected end of file");
}

#if !defined(__has_feature)
#define __has_feature(feature) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || __has_feature(address_sanitizer) || \
    __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;  // the checkers reserve more address space than any limit here
#else
constexpr bool kSanitized = false;
#endif

// Loads the picture with room for what the process holds now and a little
// more, not for a gigabyte, and writes the error on standard error.
[[noreturn]] void loadWithLittleMemory(const std::string& path) {
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1) std::_Exit(2);
    const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
    std::fputs(errorFrom([&] { Image image(path.c_str()); }).c_str(), stderr);
    std::_Exit(0);
}

// The largest picture, whole (a sparse file), in a process whose address space
// cannot hold it: the error says memory ran out.
TEST(TgaReader, NamesMemoryItCannotHave) {
    if (kSanitized) GTEST_SKIP() << "address space limits do not work with the sanitizers";
    // Under an emulator the limit falls on the emulator's own reservations.
    if (std::string(PEEKSTUN_TARGET_RUNNER) != "") GTEST_SKIP() << "address space limits do not work under emulation";
    ScratchDir dir;
    const std::string path = dir.path("huge.tga");
    writeFile(path, tgaFile({2, 16384, 16384, 32, 0x20}, {}, {}));
    std::filesystem::resize_file(path, 18 + 16384ull * 16384 * 4);
    EXPECT_EXIT(loadWithLittleMemory(path), ::testing::ExitedWithCode(0),
                "Vorla error - Not enough memory for a picture of 16384 x 16384 pixels");
}

TEST(TgaReader, ReportsAFileThatChangesBeforeLoading) {
    ScratchDir dir;
    const std::string path = dir.path("changing.tga");
    const std::vector<uint8_t> whole = tgaFile({2, 2, 2, 24, 0x00}, {}, std::vector<uint8_t>(12, 7));
    writeFile(path, whole);
    TGAHandler handler(path.c_str());
    std::vector<uint8_t> pixels(12, 0);

    // Cut inside the first row read, which is the bottom one.
    writeFile(path, std::vector<uint8_t>(whole.begin(), whole.end() - 8));
    EXPECT_EQ(errorFrom([&] { handler.load(pixels.data(), nullptr); }), "Vorla error - Unexpected end of file");

    std::remove(path.c_str());
    EXPECT_EQ(errorFrom([&] { handler.load(pixels.data(), nullptr); }), "Vorla error - File does not exist");
}

TEST(TgaReader, ReadsWhatNetpbmWrites) {
    if (!toolAvailable("pamtotga") || !toolAvailable("ppmtotga")) GTEST_SKIP() << "netpbm is not installed";
    ScratchDir dir;
    const RgbPicture indexed = makePicture(37, 23, 180);
    const RgbPicture trueColour = makePicture(29, 31, 0);
    writePpm(dir.path("indexed.ppm"), indexed);
    writePpm(dir.path("true.ppm"), trueColour);
    const std::string in = dir.path("indexed.ppm"), truein = dir.path("true.ppm");
    ASSERT_TRUE(runQuietly("ppmtotga -norle " + truein + " > " + dir.path("ppm.tga")));
    ASSERT_TRUE(runQuietly("pamtotga -norle -cmap " + in + " > " + dir.path("cmap.tga")));
    ASSERT_TRUE(runQuietly("pamtotga -norle -rgb " + truein + " > " + dir.path("rgb.tga")));
    ASSERT_TRUE(runQuietly("pamtotga -norle -cmap16 " + in + " > " + dir.path("cmap16.tga")));
    expectSamePicture(dir.path("ppm.tga"), trueColour, 3);
    expectSamePicture(dir.path("cmap.tga"), indexed, 1);
    expectSamePicture(dir.path("rgb.tga"), trueColour, 3);
    // 15-bit colour-map entries, two bytes each, keep 5 bits per channel.
    expectSamePicture(dir.path("cmap16.tga"), indexed, 1, 8);
}

TEST(TgaReader, ReadsWhatImageMagickWrites) {
    if (!toolAvailable("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    ScratchDir dir;
    const RgbPicture indexed = makePicture(40, 21, 256);
    const RgbPicture trueColour = makePicture(35, 27, 0);
    writePpm(dir.path("indexed.ppm"), indexed);
    writePpm(dir.path("true.ppm"), trueColour);
    const std::string in = dir.path("indexed.ppm"), truein = dir.path("true.ppm");
    struct Case {
        std::string source, options, name;
        const RgbPicture& picture;
        int bytes;
        int descriptor;
    };
    // This writer stores rows in its memory order and labels them with the
    // picture's orientation attribute, so a bottom-up file of the picture is
    // written from the flipped picture labelled bottom-left.
    const std::string bottomUp = "-flip -orient BottomLeft ";
    const std::vector<Case> cases{
        {in, bottomUp + "-type Palette", "mapped-up.tga", indexed, 1, 0x00},
        {in, "-type Palette -orient TopLeft", "mapped-down.tga", indexed, 1, 0x20},
        {truein, bottomUp + "-type TrueColor", "true-up.tga", trueColour, 3, 0x00},
        {truein, "-type TrueColor -orient TopLeft", "true-down.tga", trueColour, 3, 0x20},
        {truein, bottomUp + "-alpha set", "alpha-up.tga", trueColour, 4, 0x08},
    };
    const bool referee = toolAvailable("tgatoppm");
    for (const Case& c : cases) {
        const std::string out = dir.path(c.name);
        ASSERT_TRUE(runQuietly("convert " + c.source + " " + c.options + " -compress None " + out)) << c.name;
        // Make sure the orientation under test is the one written, and that
        // another reader sees the source picture in the file.
        ASSERT_EQ(readFile(out)[17], c.descriptor) << c.name;
        if (referee) {
            ASSERT_TRUE(runQuietly("tgatoppm " + out + " > " + out + ".ppm")) << c.name;
            ASSERT_EQ(readPpm(out + ".ppm").rgb, c.picture.rgb) << c.name;
        }
        expectSamePicture(out, c.picture, c.bytes);
    }
}

}  // namespace
