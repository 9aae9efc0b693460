// The image object: choosing the reader by content, its own messages, and
// handing pictures to surfaces.
#include <gtest/gtest.h>

#include <vector>

#include "image/Image.h"
#include "support/image_fixtures.h"

namespace {

const DynamicFormat kFrame(32, 0xff0000, 0x00ff00, 0x0000ff, 0);

// A 2 x 1 true-colour TGA, top-down: blue, green, red per pixel.
std::vector<uint8_t> tgaBytes(uint8_t idLength = 0) {
    std::vector<uint8_t> bytes{idLength, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0x20};
    bytes.insert(bytes.end(), idLength, 'x');
    bytes.insert(bytes.end(), {0x30, 0x20, 0x10, 0x03, 0x02, 0x01});
    return bytes;
}

// A 2 x 1 indexed PCX whose palette maps index i to 0x00iiiiii + 1.
std::vector<uint8_t> pcxBytes() {
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = 10;
    bytes[8] = 1;  // xmax
    bytes[65] = 1;
    bytes[66] = 2;
    bytes.insert(bytes.end(), {0x05, 0x07, 12});
    for (int i = 0; i < 256; ++i) bytes.insert(bytes.end(), 3, static_cast<uint8_t>(i + 1));
    return bytes;
}

std::vector<uint32_t> surfaceWords(DynamicSurface& surface) {
    const uint32_t* words = static_cast<const uint32_t*>(surface.lock());
    std::vector<uint32_t> copy(words, words + surface.width() * surface.height());
    surface.unlock();
    return copy;
}

TEST(ImageObject, ChoosesTheReaderByContentNotByName) {
    ScratchDir dir;
    writeFile(dir.path("really-tga.pcx"), tgaBytes());
    writeFile(dir.path("really-pcx.tga"), pcxBytes());
    Image tga(dir.path("really-tga.pcx").c_str());
    EXPECT_EQ(tga.format().bits(), 24);
    EXPECT_EQ(coloursOf(tga), (std::vector<uint32_t>{0x102030, 0x010203}));
    Image pcx(dir.path("really-pcx.tga").c_str());
    EXPECT_TRUE(pcx.format().indexed());
    EXPECT_EQ(coloursOf(pcx), (std::vector<uint32_t>{0x060606, 0x080808}));

    // An image ID of 10 bytes puts the PCX mark first, so the PCX reader
    // takes the file and refuses it.
    writeFile(dir.path("id10.tga"), tgaBytes(10));
    const std::string error = errorFrom([&] { Image image(dir.path("id10.tga").c_str()); });
    EXPECT_EQ(error.rfind("Vorla error - ", 0), 0u) << error;
    writeFile(dir.path("id11.tga"), tgaBytes(11));
    Image eleven(dir.path("id11.tga").c_str());
    EXPECT_EQ(coloursOf(eleven), (std::vector<uint32_t>{0x102030, 0x010203}));
}

TEST(ImageObject, ReportsMissingEmptyAndUnknownFiles) {
    ScratchDir dir;
    EXPECT_EQ(errorFrom([&] { Image image(dir.path("none.pcx").c_str()); }), "Vorla error - File does not exist");
    writeFile(dir.path("empty.tga"), {});
    EXPECT_EQ(errorFrom([&] { Image image(dir.path("empty.tga").c_str()); }), "Vorla - Unsupported file format");
    // Judged on the bytes present: a lone 10 is a PCX mark, a lone 0 is nothing.
    writeFile(dir.path("zero"), {0});
    EXPECT_EQ(errorFrom([&] { Image image(dir.path("zero").c_str()); }), "Vorla - Unsupported file format");
    writeFile(dir.path("ten"), {10});
    EXPECT_NE(errorFrom([&] { Image image(dir.path("ten").c_str()); }), "Vorla - Unsupported file format");
}

TEST(ImageObject, LeavesNoPictureAfterAFailedLoad) {
    ScratchDir dir;
    writeFile(dir.path("good.tga"), tgaBytes());
    std::vector<uint8_t> cut = tgaBytes();
    cut.resize(cut.size() - 1);
    writeFile(dir.path("cut.tga"), cut);

    Image image(dir.path("good.tga").c_str());
    EXPECT_NE(errorFrom([&] { image.load(dir.path("cut.tga").c_str()); }), "");
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.width(), 0);
    DynamicSurface surface(2, 1, kFrame);
    EXPECT_NE(errorFrom([&] { image.copy(surface); }), "");
    EXPECT_NE(errorFrom([&] { Image().copy(surface); }), "");
}

TEST(ImageObject, SavesOnlyAsTga) {
    ScratchDir dir;
    const std::vector<uint8_t> pixels(8, 0);
    const std::string path = dir.path("out");
    Image image;
    EXPECT_EQ(errorFrom([&] { image.save(path.c_str(), 2, 1, &kFrame, nullptr, pixels.data(), IMAGE_PCX, nullptr); }),
              "Vorla error - PCX save not available");
    for (int type : {2, 3, -1}) {
        EXPECT_EQ(errorFrom([&] { image.save(path.c_str(), 2, 1, &kFrame, nullptr, pixels.data(), type, nullptr); }),
                  "Vorla error - Cannot save to the specified file format")
            << type;
    }
}

TEST(ImageObject, CopiesThroughTheSurfaceAndItsPalette) {
    ScratchDir dir;
    writeFile(dir.path("indexed.pcx"), pcxBytes());
    writeFile(dir.path("true.tga"), tgaBytes());
    std::vector<int32_t> marker(256, 0x00abcdef);
    const DynamicPalette markerPalette(marker.data());

    // An indexed picture is expanded through its palette and hands it on.
    Image indexed(dir.path("indexed.pcx").c_str());
    DynamicSurface frame(2, 1, kFrame);
    frame.setPalette(markerPalette);
    indexed.copy(frame);
    EXPECT_EQ(surfaceWords(frame), (std::vector<uint32_t>{0x060606, 0x080808}));
    DynamicPalette handed;
    frame.palette(handed);
    EXPECT_EQ(handed.lock()[5], 0x060606);
    handed.unlock();

    // A picture without a palette leaves the surface's palette alone.
    Image trueColour(dir.path("true.tga").c_str());
    frame.setPalette(markerPalette);
    trueColour.copy(frame);
    EXPECT_EQ(surfaceWords(frame), (std::vector<uint32_t>{0x102030, 0x010203}));
    DynamicPalette kept;
    frame.palette(kept);
    EXPECT_EQ(kept.lock()[5], 0x00abcdef);
    kept.unlock();

    // Through areas: the second pixel into the first place of the surface.
    DynamicSurface one(1, 1, kFrame);
    trueColour.copy(one, DynamicArea(1, 0, 2, 1), DynamicArea(0, 0, 1, 1));
    EXPECT_EQ(surfaceWords(one), (std::vector<uint32_t>{0x010203}));
}

}  // namespace
