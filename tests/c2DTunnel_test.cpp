#include "effects/c2DTunnel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "effects/saturatingAdd.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using test_support::directFormat;
using test_support::makeSurface;
using test_support::readPixels32;
using test_support::writePixels32;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
const char* const kTexture = "data/textures/index.tga";

// Each texel holds its own 16-bit index, so a drawn pixel tells which texel
// it came from.
std::vector<uint32_t> indexTexture() {
    std::vector<uint32_t> texels(256 * 256);
    for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = i;
    return texels;
}

class TunnelTest : public ::testing::Test {
protected:
    TunnelTest() {
        std::filesystem::create_directories("data/textures");
        test_support::writeTga32(kTexture, 256, 256, indexTexture());
    }
    test_support::TemporaryWorkingDirectory directory;
};

int angleAt(const c2DTunnel& tunnel, int x, int y) { return tunnel.tableEntry(kWidth + x, kHeight - y) & 255; }
int depthAt(const c2DTunnel& tunnel, int x, int y) { return (tunnel.tableEntry(kWidth + x, kHeight - y) >> 8) & 255; }

}  // namespace

TEST_F(TunnelTest, TableHoldsAngleAndDepthAroundItsCentre) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    EXPECT_EQ(tunnel.getWidth(), 2 * kWidth);  // the table's size, not the output's
    EXPECT_EQ(tunnel.getHeight(), 2 * kHeight);
    EXPECT_EQ(tunnel.tableEntry(kWidth, kHeight), 184u << 8);  // angle 0, depth 3000 & 255
    // The angle factor lies a little under 1/pi, so quarter turns fall one short.
    EXPECT_EQ(angleAt(tunnel, 0, 50), 63);
    EXPECT_EQ(angleAt(tunnel, -50, 0), 127);
    EXPECT_EQ(angleAt(tunnel, 0, -50), 193);
    EXPECT_EQ(angleAt(tunnel, 50, 0), 0);
    EXPECT_EQ(angleAt(tunnel, 50, 50), 31);
    // Depth depends on distance only.
    EXPECT_EQ(depthAt(tunnel, 30, 0), 100);
    for (const auto& point : {std::pair{-30, 0}, {0, 30}, {0, -30}}) {
        EXPECT_EQ(depthAt(tunnel, point.first, point.second), 100);
    }
    EXPECT_EQ(depthAt(tunnel, 3, 4), depthAt(tunnel, -4, -3));
    EXPECT_EQ(depthAt(tunnel, 1, 0), 3000 & 255);  // within one unit the scale is not divided
}

TEST_F(TunnelTest, WindowsStartAtTheirKnownOrigins) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    c2DTunnel::WindowOrigin origins[3];
    tunnel.windowOrigins(0.0f, origins);
    EXPECT_EQ(origins[0].x, 219);
    EXPECT_EQ(origins[0].y, 140);
    EXPECT_EQ(origins[1].x, 107);
    EXPECT_EQ(origins[1].y, 156);
    EXPECT_EQ(origins[2].x, 162);
    EXPECT_EQ(origins[2].y, 136);
}

TEST_F(TunnelTest, TripleDrawSumsTheThreeWindowsEntriesWithTheDepthScroll) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    for (float t : {0.0f, 0.5f, 7.25f}) {
        c2DTunnel::WindowOrigin o[3];
        tunnel.windowOrigins(t, o);
        const uint32_t zoff = static_cast<uint32_t>(static_cast<int>(-100.0f * t) & 255) << 8;
        auto frame = makeSurface(kWidth, kHeight, directFormat());
        ASSERT_EQ(tunnel.drawTripleAdditive(*frame, t), 1);
        const std::vector<uint32_t> pixels = readPixels32(*frame);
        for (int y = 0; y < kHeight; y += 7) {
            for (int x = 0; x < kWidth; x += 11) {
                const uint32_t sum = tunnel.tableEntry(x + o[0].x, y + o[0].y) +
                                     tunnel.tableEntry(x + o[1].x, y + o[1].y) +
                                     tunnel.tableEntry(x + o[2].x, y + o[2].y) + 3 * zoff;
                ASSERT_EQ(pixels[y * kWidth + x], sum & 0xffff) << "t " << t << " at " << x << ", " << y;
            }
        }
    }
}

TEST_F(TunnelTest, PlainTripleDrawOffsetsByTheWindowOriginsAndReplacesThePixel) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    const float t = 3.0f;
    c2DTunnel::WindowOrigin o[3];
    tunnel.windowOrigins(t, o);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, 0x00ff0000));
    ASSERT_EQ(tunnel.drawTriple(*frame, t), 1);
    const std::vector<uint32_t> pixels = readPixels32(*frame);
    for (int y = 0; y < kHeight; y += 13) {
        for (int x = 0; x < kWidth; x += 17) {
            uint32_t sum = 0;
            for (const auto& origin : o) {
                sum += tunnel.tableEntry(x + origin.x, y + origin.y) + ((origin.y & 255) << 8) + (origin.x & 255);
            }
            ASSERT_EQ(pixels[y * kWidth + x], sum & 0xffff) << x << ", " << y;
        }
    }
}

TEST_F(TunnelTest, AdditiveDrawSaturatesEachChannel) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, 0x00ffffff));
    tunnel.drawTripleAdditive(*frame, 1.5f);
    for (uint32_t pixel : readPixels32(*frame)) ASSERT_EQ(pixel, 0x00ffffffu);

    // Blue near its limit: texel blue (the index's low byte) saturates it
    // while green adds and red stays.
    writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, 0x001000f0));
    auto reference = makeSurface(kWidth, kHeight, directFormat());
    tunnel.drawTripleAdditive(*frame, 1.5f);
    tunnel.drawTripleAdditive(*reference, 1.5f);
    const std::vector<uint32_t> added = readPixels32(*frame);
    const std::vector<uint32_t> texels = readPixels32(*reference);
    for (size_t i = 0; i < added.size(); i += 97) {
        const uint32_t blue = std::min<uint32_t>((texels[i] & 0xff) + 0xf0, 0xff);
        const uint32_t green = texels[i] & 0xff00;
        ASSERT_EQ(added[i], 0x00100000u | green | blue) << i;
    }
}

TEST_F(TunnelTest, SmallerAreaLimitsDrawingWithoutMovingTheTablePositions) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    auto whole = makeSurface(kWidth, kHeight, directFormat());
    tunnel.drawTripleAdditive(*whole, 2.0f);
    const std::vector<uint32_t> expected = readPixels32(*whole);

    tunnel.setArea(DynamicArea(50, 60, 150, 100));
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    ASSERT_EQ(tunnel.drawTripleAdditive(*frame, 2.0f), 1);
    const std::vector<uint32_t> pixels = readPixels32(*frame);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inside = x >= 50 && x < 150 && y >= 60 && y < 100;
            ASSERT_EQ(pixels[y * kWidth + x], inside ? expected[y * kWidth + x] : 0u) << x << ", " << y;
        }
    }
}

TEST_F(TunnelTest, SingleDrawsReadOneWindowFromItsCorner) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    ASSERT_EQ(tunnel.drawSingle(*frame, 0.0f), 1);  // offset 0 at t = 0
    std::vector<uint32_t> pixels = readPixels32(*frame);
    for (int y = 0; y < kHeight; y += 9) {
        for (int x = 0; x < kWidth; x += 9) {
            ASSERT_EQ(pixels[y * kWidth + x], tunnel.tableEntry(160 + x, 120 + y) & 0xffff) << x << ", " << y;
        }
    }

    tunnel.setWindow(DynamicArea(0, 0, 10, 10));  // only the corner counts
    const float t = 2.0f;
    const uint32_t offset = ((static_cast<int>(200.0f * t) & 255) << 8) + (static_cast<int>(99.9 * std::sin(t)) & 255);
    writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, 0x00010101));
    ASSERT_EQ(tunnel.drawSingleAdditive(*frame, t), 1);
    pixels = readPixels32(*frame);
    for (int y = 0; y < kHeight; y += 11) {
        for (int x = 0; x < kWidth; x += 11) {
            const uint32_t texel = (tunnel.tableEntry(x, y) + offset) & 0xffff;
            ASSERT_EQ(pixels[y * kWidth + x], texel + 0x00010101u) << x << ", " << y;
        }
    }
}

TEST_F(TunnelTest, RefusesDrawsThatWouldLeaveTheTableOrTheFrame) {
    // A 100 x 80 output puts the wandering windows partly outside its table.
    c2DTunnel narrow(100, 80, kTexture, 3000);
    auto small = makeSurface(100, 80, directFormat());
    EXPECT_THROW(narrow.drawTripleAdditive(*small, 0.0f), DynamicError);

    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    EXPECT_THROW(tunnel.drawTripleAdditive(*small, 0.0f), DynamicError);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    tunnel.setWindow(DynamicArea(400, 300, 720, 540));
    EXPECT_THROW(tunnel.drawSingle(*frame, 0.0f), DynamicError);
    tunnel.setArea(DynamicArea(0, 0, kWidth + 8, kHeight));
    EXPECT_THROW(tunnel.drawTriple(*frame, 0.0f), DynamicError);
}

TEST_F(TunnelTest, TimesBeyondIntegerRangeStillDrawDefinedPictures) {
    c2DTunnel tunnel(kWidth, kHeight, kTexture, 3000);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    EXPECT_EQ(tunnel.drawTripleAdditive(*frame, 1e30f), 1);
    EXPECT_EQ(tunnel.drawSingle(*frame, 1e30f), 1);
    EXPECT_EQ(tunnel.drawTripleAdditive(*frame, std::numeric_limits<float>::quiet_NaN()), 1);
}

TEST_F(TunnelTest, MissingTextureFailsConstruction) {
    EXPECT_THROW(c2DTunnel(kWidth, kHeight, "data/textures/none.pcx", 3000), DynamicError);
}

// Every pixel of every draw against the lookups written out one pixel at a
// time, on a frame of arbitrary colours (top bytes included) and an area
// whose width is no multiple of the effect's group sizes.
TEST_F(TunnelTest, EveryDrawMatchesThePlainPerPixelComputation) {
    std::vector<uint32_t> texels(256 * 256);
    for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = (i * 2654435761u) >> 8;
    test_support::writeTga32("data/textures/noise.tga", 256, 256, texels);
    c2DTunnel tunnel(kWidth, kHeight, "data/textures/noise.tga", 3000);
    const DynamicArea area(3, 5, 290, 200);
    tunnel.setArea(area);
    std::vector<uint32_t> before(kWidth * kHeight);
    uint32_t state = 12345;
    for (uint32_t& pixel : before) pixel = state = state * 1664525u + 1013904223u;

    const float t = 2.5f;
    c2DTunnel::WindowOrigin o[3];
    tunnel.windowOrigins(t, o);
    const uint32_t zoff = static_cast<uint32_t>(static_cast<int>(-100.0f * t) & 255) << 8;
    const uint32_t singleOffset =
        ((static_cast<int>(200.0f * t) & 255) << 8) + (static_cast<int>(99.9 * std::sin(t)) & 255);
    enum Mode { TRIPLE_ADDITIVE, TRIPLE, SINGLE, SINGLE_ADDITIVE };
    for (Mode mode : {TRIPLE_ADDITIVE, TRIPLE, SINGLE, SINGLE_ADDITIVE}) {
        auto frame = makeSurface(kWidth, kHeight, directFormat());
        writePixels32(*frame, before);
        switch (mode) {
            case TRIPLE_ADDITIVE:
                ASSERT_EQ(tunnel.drawTripleAdditive(*frame, t), 1);
                break;
            case TRIPLE:
                ASSERT_EQ(tunnel.drawTriple(*frame, t), 1);
                break;
            case SINGLE:
                ASSERT_EQ(tunnel.drawSingle(*frame, t), 1);
                break;
            case SINGLE_ADDITIVE:
                ASSERT_EQ(tunnel.drawSingleAdditive(*frame, t), 1);
                break;
        }
        const std::vector<uint32_t> pixels = readPixels32(*frame);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const size_t i = static_cast<size_t>(y) * kWidth + x;
                const bool inside = x >= area.left() && x < area.right() && y >= area.top() && y < area.bottom();
                uint32_t expected = before[i];
                if (inside) {
                    uint32_t index = 0;
                    if (mode == SINGLE || mode == SINGLE_ADDITIVE) {
                        index = tunnel.tableEntry(160 + x - area.left(), 120 + y - area.top()) + singleOffset;
                    } else {
                        for (const auto& origin : o) {
                            index += tunnel.tableEntry(x + origin.x, y + origin.y);
                            index += mode == TRIPLE ? ((origin.y & 255) << 8) + (origin.x & 255) : zoff;
                        }
                    }
                    const uint32_t texel = texels[index & 0xffff];
                    expected = (mode == TRIPLE || mode == SINGLE) ? texel : saturatingAdd(before[i], texel);
                }
                ASSERT_EQ(pixels[i], expected) << "mode " << mode << " at " << x << ", " << y;
            }
        }
    }
}

TEST(TunnelTable, BuiltFromHalfTheRowsEqualsEveryEntryComputedAlone) {
    struct Case {
        int width, height, depthScale;
    };
    for (const Case& c : {Case{320, 240, 3000}, Case{7, 5, 100}, Case{1, 1, 50}, Case{33, 18, -400}}) {
        EXPECT_EQ(buildTunnelTable(c.width, c.height, c.depthScale),
                  buildTunnelTableDirect(c.width, c.height, c.depthScale))
            << c.width << " x " << c.height << ", depth scale " << c.depthScale;
    }
}
