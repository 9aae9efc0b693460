// The pictures the data tool paints: every file the show reads is there, is
// read alike by an independent decoder (ImageMagick) and by our image library,
// meets the size and format the show relies on, and comes out the same on
// every run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "image/Image.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicSurface.h"
#include "show/catalogue.h"

namespace fs = std::filesystem;

namespace {

// The paths of the pictures the show reads.
std::vector<std::string> showPictures() {
    std::vector<std::string> names;
    for (const show::PictureFile& entry : show::kPictures) names.emplace_back(entry.path);
    return names;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// The pixels as 0x00RRGGBB, decoded by ImageMagick with the file's own row order applied.
std::vector<uint32_t> decodeWithImageMagick(const fs::path& picture, const fs::path& scratch, int width, int height) {
    fs::path raw = scratch / "decoded.rgb";
    std::string command =
        "convert '" + picture.string() + "' -auto-orient -alpha off -depth 8 'rgb:" + raw.string() + "'";
    if (run(command) != 0) return {};
    std::vector<uint8_t> bytes = readBytes(raw);
    if (bytes.size() != static_cast<size_t>(width) * height * 3) return {};
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < bytes.size(); i += 3)
        pixels.push_back(static_cast<uint32_t>(bytes[i]) << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
    return pixels;
}

struct Decoded {
    int width = 0, height = 0, bits = 0;
    bool indexed = false;
    std::vector<uint32_t> pixels;
};

Decoded decodeWithImageLibrary(const fs::path& picture) {
    std::string path = picture.string();
    Image image(path.c_str());
    Decoded out{image.width(), image.height(), image.format().bits(), image.format().indexed(), {}};
    DynamicSurface surface(image.width(), image.height(), DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff));
    image.copy(surface);
    const uint32_t* words = static_cast<const uint32_t*>(surface.lock());
    out.pixels.assign(words, words + static_cast<size_t>(out.width) * out.height);
    surface.unlock();
    for (uint32_t& p : out.pixels) p &= 0xffffff;
    return out;
}

class ForgePictures : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = fs::temp_directory_path() / ("forge_pictures_test_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "scratch");
        const std::string tool = PEEKSTUN_BUILD_DIR "/peekstun-forge";
        firstRunOk = run("'" + tool + "' '" + (root / "first").string() + "'") == 0;
        secondRunOk = run("'" + tool + "' '" + (root / "second").string() + "'") == 0;
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    void SetUp() override { ASSERT_TRUE(firstRunOk) << "peekstun-forge failed"; }

    static fs::path first(const std::string& name) { return root / "first" / name; }

    static fs::path root;
    static bool firstRunOk, secondRunOk;
};

fs::path ForgePictures::root;
bool ForgePictures::firstRunOk = false;
bool ForgePictures::secondRunOk = false;

TEST_F(ForgePictures, WritesExactlyThePicturesTheShowReads) {
    std::set<std::string> written;
    for (const char* folder : {"gfx", "textures"})
        for (const auto& entry : fs::directory_iterator(root / "first" / folder))
            written.insert(std::string(folder) + "/" + entry.path().filename().string());
    const std::vector<std::string> catalogue = showPictures();
    std::set<std::string> expected(catalogue.begin(), catalogue.end());
    EXPECT_EQ(expected.size(), catalogue.size()) << "a picture is catalogued twice";
    EXPECT_EQ(written, expected);
}

TEST_F(ForgePictures, ImageMagickAndOurLibraryReadTheSamePixels) {
    for (const std::string& name : showPictures()) {
        SCOPED_TRACE(name);
        Decoded ours;
        try {
            ours = decodeWithImageLibrary(first(name));
        } catch (const DynamicError& error) {
            ADD_FAILURE() << "image library: " << error.message();
            continue;
        }
        ASSERT_GT(ours.width, 0);
        ASSERT_GT(ours.height, 0);
        std::vector<uint32_t> theirs = decodeWithImageMagick(first(name), root / "scratch", ours.width, ours.height);
        ASSERT_EQ(theirs.size(), ours.pixels.size()) << "ImageMagick cannot read it, or reads another size";
        // 5-bit channels may be widened to 8 bits in more than one way; compare the 5 bits.
        uint32_t mask = ours.bits == 16 ? 0xf8f8f8 : 0xffffff;
        size_t differing = 0, firstDifference = 0;
        for (size_t i = 0; i < theirs.size(); ++i)
            if ((theirs[i] & mask) != (ours.pixels[i] & mask) && differing++ == 0) firstDifference = i;
        EXPECT_EQ(differing, 0u) << "first at x " << firstDifference % ours.width << ", y "
                                 << firstDifference / ours.width;
    }
}

TEST_F(ForgePictures, MeetTheSizesAndFormatsTheShowDependsOn) {
    // The 3D tunnel refuses anything but a 256 x 256 indexed texture; both tunnels wrap at 256.
    Decoded tunnel3D = decodeWithImageLibrary(first("textures/a076.pcx"));
    EXPECT_EQ(tunnel3D.width, 256);
    EXPECT_EQ(tunnel3D.height, 256);
    EXPECT_TRUE(tunnel3D.indexed);
    Decoded tunnel2D = decodeWithImageLibrary(first("textures/a018.pcx"));
    EXPECT_EQ(tunnel2D.width, 256);
    EXPECT_EQ(tunnel2D.height, 256);

    // Each picture has the size the catalogue gives the show.
    for (const show::PictureFile& entry : show::kPictures) {
        Decoded picture = decodeWithImageLibrary(first(entry.path));
        EXPECT_EQ(picture.width, entry.width) << entry.path;
        EXPECT_EQ(picture.height, entry.height) << entry.path;
    }
    // The scene layouts: the fight word fits right of x 292, the lamp panel's dots are small,
    // the binary band's columns sit 4 pixels apart, the credits start at row 99.
    EXPECT_LE(decodeWithImageLibrary(first("gfx/fight.tga")).width, 28);
    Decoded lamp = decodeWithImageLibrary(first("gfx/circle.tga"));
    EXPECT_LE(lamp.width, 13);
    EXPECT_LE(lamp.height, 13);
    for (int i = 0; i < show::kBinaryColumnCount; ++i)
        EXPECT_LE(decodeWithImageLibrary(first(show::kPictures[show::kFirstBinaryColumn + i].path)).width, 4);
    Decoded credits = decodeWithImageLibrary(first("gfx/credits.tga"));
    EXPECT_EQ(credits.width, 320);
    EXPECT_LE(credits.height, 141);
    // The scroller runs long enough to carry its text at 180 pixels a second.
    EXPECT_GE(decodeWithImageLibrary(first("gfx/scroller.pcx")).width, 5000);
}

TEST_F(ForgePictures, SeeThroughAndAddedPicturesLeaveTheSceneVisible) {
    auto share = [](const Decoded& picture, auto&& predicate) {
        size_t count = 0;
        for (uint32_t p : picture.pixels) count += predicate(p);
        return static_cast<double>(count) / static_cast<double>(picture.pixels.size());
    };
    // Drawn with black as the see-through colour: the background is pure black.
    for (const char* name : {"gfx/credits.tga", "gfx/greets.pcx"}) {
        Decoded picture = decodeWithImageLibrary(first(name));
        EXPECT_EQ(picture.pixels.front(), 0u) << name;
        EXPECT_EQ(picture.pixels.back(), 0u) << name;
        EXPECT_GT(share(picture, [](uint32_t p) { return p == 0; }), 0.5) << name;
    }
    // Added onto the frame: mostly dark, so what lies underneath shows through.
    for (const char* name : {"gfx/analog.pcx", "gfx/genetic.pcx", "gfx/scroller.pcx", "gfx/fight.tga",
                             "gfx/linecircle.tga", "textures/a018.pcx"}) {
        Decoded picture = decodeWithImageLibrary(first(name));
        auto dark = [](uint32_t p) { return (p >> 16 & 255) < 40 && (p >> 8 & 255) < 40 && (p & 255) < 40; };
        EXPECT_GT(share(picture, dark), 0.5) << name;
    }
    // The film strip is see-through only in its sprocket holes: its film and frames show.
    Decoded film = decodeWithImageLibrary(first("gfx/filmstrip.pcx"));
    size_t black = 0;
    for (uint32_t p : film.pixels) black += p == 0;
    EXPECT_GT(black, 0u);
    EXPECT_LT(black, film.pixels.size() / 5);
    EXPECT_NE(film.pixels[static_cast<size_t>(film.width) * 32 + film.width / 2], 0u);
}

TEST_F(ForgePictures, AreInTheirCatalogueFormatsAndUseEveryVariantTheReadersAccept) {
    bool pcx8 = false, pcx24 = false, pcx24OddWidth = false, tgaMapped = false, tga16 = false, tga24 = false,
         tga32 = false, bottomUp = false, topDown = false, imageId = false;
    for (const show::PictureFile& entry : show::kPictures) {
        const std::string name = entry.path;
        std::vector<uint8_t> h = readBytes(first(name));
        ASSERT_GE(h.size(), 18u) << name;
        if (name.substr(name.size() - 3) == "pcx") {
            ASSERT_EQ(h[0], 10) << name;
            int width = (h[8] | h[9] << 8) - (h[4] | h[5] << 8) + 1;
            pcx8 |= h[65] == 1;
            pcx24 |= h[65] == 3;
            pcx24OddWidth |= h[65] == 3 && width % 2 == 1;
            EXPECT_EQ(entry.format, h[65] == 1 ? show::kPcx8 : show::kPcx24) << name;
        } else {
            // An image ID of length 10 would make the file look like a PCX file.
            ASSERT_NE(h[0], 10) << name;
            tgaMapped |= h[2] == 1 && h[16] == 8;
            tga16 |= h[2] == 2 && h[16] == 16;
            tga24 |= h[2] == 2 && h[16] == 24;
            tga32 |= h[2] == 2 && h[16] == 32;
            bottomUp |= (h[17] & 0x30) == 0;
            topDown |= (h[17] & 0x30) == 0x20;
            imageId |= h[0] > 0;
            const show::PictureFormat format = h[2] == 1     ? show::kTga8
                                               : h[16] == 16 ? show::kTga16
                                               : h[16] == 24 ? show::kTga24
                                                             : show::kTga32;
            EXPECT_EQ(entry.format, format) << name;
        }
    }
    EXPECT_TRUE(pcx8);
    EXPECT_TRUE(pcx24);
    EXPECT_TRUE(pcx24OddWidth);
    EXPECT_TRUE(tgaMapped);
    EXPECT_TRUE(tga16);
    EXPECT_TRUE(tga24);
    EXPECT_TRUE(tga32);
    EXPECT_TRUE(bottomUp);
    EXPECT_TRUE(topDown);
    EXPECT_TRUE(imageId);
}

TEST_F(ForgePictures, BottomUpFilesStandUpright) {
    auto brightness = [](uint32_t p) { return (p >> 16 & 255) + (p >> 8 & 255) + (p & 255); };
    // The progress block's light edge is its top row.
    Decoded block = decodeWithImageLibrary(first("gfx/loading_block.tga"));
    EXPECT_GT(brightness(block.pixels.front()), brightness(block.pixels.back()));
    // A 7 lights its top bar and not its bottom one.
    Decoded seven = decodeWithImageLibrary(first("gfx/7.tga"));
    auto at = [&](int x, int y) { return brightness(seven.pixels[static_cast<size_t>(y) * seven.width + x]); };
    EXPECT_GT(at(seven.width / 2, 7), 3 * at(seven.width / 2, seven.height - 7));
}

TEST_F(ForgePictures, TwoRunsWriteIdenticalBytes) {
    ASSERT_TRUE(secondRunOk);
    for (const std::string& name : showPictures())
        EXPECT_TRUE(readBytes(first(name)) == readBytes(root / "second" / name)) << name;
}

}  // namespace
