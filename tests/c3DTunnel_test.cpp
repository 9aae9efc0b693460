#include "effects/c3DTunnel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "effects/Matrix4.h"
#include "effects/TunnelSample.h"
#include "effects/saturatingAdd.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"
#include "support/texture_files.h"

using test_support::directFormat;
using test_support::makeSurface;
using test_support::readPixels32;
using test_support::writePixels32;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
const char* const kTexture = "data/textures/a076.tga";

class TunnelTest : public ::testing::Test {
protected:
    TunnelTest() {
        std::filesystem::create_directories("data/textures");
        test_support::writeTestTexture(kTexture);
    }
    test_support::TemporaryWorkingDirectory directory;
};

void expectNear(const Vector3& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-6);
    EXPECT_NEAR(actual.y, y, 1e-6);
    EXPECT_NEAR(actual.z, z, 1e-6);
}

}  // namespace

TEST(Matrix4Rotation, TurnsAboutXFirstThenYThenZ) {
    Matrix4 identity = Matrix4::rotation(0.0f, 0.0f, 0.0f);
    expectNear(identity.transform(Vector3{1.0f, 2.0f, 3.0f}), 1.0f, 2.0f, 3.0f);

    const float quarter = 1.5707963f;
    expectNear(Matrix4::rotation(quarter, 0.0f, 0.0f).transform(Vector3{0.0f, 1.0f, 0.0f}), 0.0f, 0.0f, 1.0f);
    expectNear(Matrix4::rotation(0.0f, quarter, 0.0f).transform(Vector3{1.0f, 0.0f, 0.0f}), 0.0f, 0.0f, -1.0f);
    expectNear(Matrix4::rotation(0.0f, 0.0f, quarter).transform(Vector3{1.0f, 0.0f, 0.0f}), 0.0f, 1.0f, 0.0f);
    // X first takes +y to +z, which Z then leaves alone; Z first would take
    // +y to -x, which X would leave alone.
    expectNear(Matrix4::rotation(quarter, 0.0f, quarter).transform(Vector3{0.0f, 1.0f, 0.0f}), 0.0f, 0.0f, 1.0f);
}

TEST(TunnelRay, SidewaysRayMeetsTheWallAtTheRadius) {
    // (1, 0, 0) meets the wall at (-255, 0, 0): depth |0 - 128| x 51.2, the
    // half turn (just under 256 texels) and full brightness.
    const TunnelSample sideways = castTunnelRay(Vector3{1.0f, 0.0f, 0.0f}, 255.0f, 0.0f);
    EXPECT_EQ(sideways.u, 6553);
    EXPECT_EQ(sideways.v, 65535);
    EXPECT_EQ(sideways.shade, 32768);
    EXPECT_EQ(castTunnelRay(Vector3{1.0f, 0.0f, 0.0f}, 255.0f, -100.0f).u, 47513);  // |-128 - 800| x 51.2
    // Upper and lower halves of the tube mirror each other.
    EXPECT_EQ(castTunnelRay(Vector3{0.0f, 1.0f, 0.5f}, 255.0f, 0.0f).v,
              castTunnelRay(Vector3{0.0f, -1.0f, 0.5f}, 255.0f, 0.0f).v);
    // 255 ahead along z: 32768 - trunc(255 x 20.48).
    EXPECT_EQ(castTunnelRay(Vector3{1.0f, 0.0f, 1.0f}, 255.0f, 0.0f).shade, 32768 - 5222);
}

TEST(TunnelRay, RayAlongTheAxisIsFarAndBlack) {
    for (const Vector3& direction : {Vector3{0.0f, 0.0f, 1.0f}, Vector3{0.0f, 0.0f, -1.0f}, Vector3{1e-30f, 0.0f, 1.0f},
                                     Vector3{0.0f, 0.0f, 0.0f}}) {
        const TunnelSample sample = castTunnelRay(direction, 255.0f, -500.0f);
        EXPECT_EQ(sample.u, 0);
        EXPECT_EQ(sample.v, 0);
        EXPECT_EQ(sample.shade, 0);
    }
    // Nearly along the axis the hit is finite but far beyond 32-bit depth: the
    // depth keeps its low 32 bits and the sample is black.
    const TunnelSample nearly = castTunnelRay(Vector3{1e-20f, 0.0f, 1.0f}, 255.0f, 0.0f);
    EXPECT_EQ(nearly.shade, 0);
}

TEST(TunnelRay, DepthBeyondIntegerRangeKeepsItsLowBits) {
    const float travel = -1e8f;
    const TunnelSample sample = castTunnelRay(Vector3{1.0f, 0.0f, 0.0f}, 255.0f, travel);
    const double exact = std::trunc(std::fabs(0.0f - 128.0f + 8.0f * travel) * 0.2 * 256.0);
    EXPECT_EQ(sample.u, static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(exact))));
}

TEST_F(TunnelTest, TextureNotIndexedOrNot256SquareLeavesItNotReady) {
    test_support::writeSolidTga32("data/textures/direct.tga", 256, 256, 0x00808080);
    test_support::writeIndexedTga("data/textures/small.tga", 128, 128, std::vector<uint8_t>(128 * 128, 5),
                                  test_support::testTexturePalette());
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*frame, std::vector<uint32_t>(kWidth * kHeight, 0x00123456));
    for (const char* name : {"data/textures/direct.tga", "data/textures/small.tga"}) {
        c3DTunnel tunnel(name, 255.0f);
        EXPECT_EQ(tunnel.isReady(), 0) << name;
        EXPECT_EQ(tunnel.update(5.0f), 0);
        EXPECT_EQ(tunnel.getTravel(), 0.0f);
        EXPECT_EQ(tunnel.drawAdditive(*frame), 0);
        EXPECT_EQ(tunnel.draw(*frame), 0);
    }
    c3DTunnel empty;
    EXPECT_EQ(empty.isReady(), 0);
    EXPECT_EQ(empty.draw(*frame), 0);
    for (uint32_t pixel : readPixels32(*frame)) ASSERT_EQ(pixel, 0x00123456u);
    EXPECT_THROW(c3DTunnel("data/textures/missing.pcx", 255.0f), DynamicError);
}

TEST_F(TunnelTest, ShadeTableFadesToBlackBelowTheColourAndTowardsWhiteAbove) {
    c3DTunnel tunnel(kTexture, 255.0f);
    ASSERT_EQ(tunnel.isReady(), 1);
    const std::vector<uint32_t> palette = test_support::testTexturePalette();
    for (int index : {0, 1, 128, 255}) {
        const uint32_t colour = palette[index];
        EXPECT_EQ(tunnel.shadeColour(index, 128), colour);
        EXPECT_EQ(tunnel.shadeColour(index, 0), 0u);
    }
    // Index 128 is 0x807f40: at level 64 each channel halves, rounding down;
    // above 128 each channel gains (level - 128) / 128 of its distance to 256.
    EXPECT_EQ(tunnel.shadeColour(128, 64), 0x00403f20u);
    EXPECT_EQ(tunnel.shadeColour(128, 192), 0x00c0bfa0u);  // 128 + 64, 127 + 64.5, 64 + 96
    // Index 0 is 0x00ff40: the brightest level never passes 255.
    EXPECT_EQ(tunnel.shadeColour(0, 255), 0x00fefffeu);
}

TEST_F(TunnelTest, CameraOnlyFliesForTheFirstThreeAndAHalfUnits) {
    c3DTunnel tunnel(kTexture, 255.0f);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tunnel.update(0.5f), 1);
    EXPECT_EQ(tunnel.getTravel(), -350.0f);
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(tunnel.getAngle(axis), 0.0f);

    tunnel.update(0.25f);
    EXPECT_FLOAT_EQ(tunnel.getAngle(0), 0.4f);
    EXPECT_FLOAT_EQ(tunnel.getAngle(1), -0.575f);
    EXPECT_FLOAT_EQ(tunnel.getAngle(2), 0.3f);
    tunnel.update(0.25f);
    EXPECT_FLOAT_EQ(tunnel.getAngle(0), 0.8f);
}

TEST_F(TunnelTest, LooksDownTheTubeWithTheWallsBrightestAtTheSides) {
    c3DTunnel tunnel(kTexture, 255.0f);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    ASSERT_EQ(tunnel.drawAdditive(*frame), 1);
    // Rays near lattice row 13, column 20 run almost along the axis.
    EXPECT_EQ(tunnel.sample(20, 13).shade, 0);
    EXPECT_GT(tunnel.sample(0, 13).shade, tunnel.sample(10, 13).shade);
    EXPECT_GT(tunnel.sample(10, 13).shade, tunnel.sample(15, 13).shade);
    EXPECT_GT(tunnel.sample(40, 13).shade, tunnel.sample(30, 13).shade);
    EXPECT_GT(tunnel.sample(20, 0).shade, tunnel.sample(20, 8).shade);

    const std::vector<uint32_t> pixels = readPixels32(*frame);
    for (int y = 100; y < 112; ++y) {
        for (int x = 156; x < 168; ++x) ASSERT_EQ(pixels[y * kWidth + x], 0u) << x << ", " << y;
    }
    EXPECT_NE(pixels[120 * kWidth + 0], 0u);
    EXPECT_NE(pixels[0], 0u);
}

TEST_F(TunnelTest, BlockCornersTakeTheShadedTexelOfTheirSample) {
    // At 5 units the camera has turned, so nothing is symmetric; at 300 units
    // the depth coordinates no longer fit the block fill's 16.16 fixed point
    // and must wrap like 32-bit registers.
    for (float time : {5.0f, 300.0f}) {
        c3DTunnel tunnel(kTexture, 255.0f);
        tunnel.update(time);
        auto frame = makeSurface(kWidth, kHeight, directFormat());
        ASSERT_EQ(tunnel.draw(*frame), 1);
        const std::vector<uint32_t> pixels = readPixels32(*frame);
        const std::vector<uint8_t> texels = test_support::testTextureIndices();
        bool beyondFixedPoint = false;
        for (int by = 0; by < 30; by += 3) {
            for (int bx = 0; bx < 40; bx += 3) {
                const TunnelSample& corner = tunnel.sample(bx, by);
                if (corner.u >= (1 << 23) || corner.u < 0) beyondFixedPoint = true;
                const uint8_t texel = texels[((corner.v >> 8) & 255) * 256 + ((corner.u >> 8) & 255)];
                ASSERT_EQ(pixels[by * 8 * kWidth + bx * 8], tunnel.shadeColour(texel, corner.shade >> 8))
                    << "time " << time << " block " << bx << ", " << by;
            }
        }
        EXPECT_EQ(beyondFixedPoint, time > 200.0f);
    }
}

// The block fill written out one pixel at a time: each block interpolates its
// four lattice samples down the edges and across each row in 16.16 fixed
// point, wrapping like 32-bit registers.
std::vector<uint32_t> plainBlockFill(const c3DTunnel& tunnel, const std::vector<uint32_t>& before, bool additive) {
    const std::vector<uint8_t> texels = test_support::testTextureIndices();
    auto wrap = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
    std::vector<uint32_t> pixels = before;
    for (int by = 0; by < 30; ++by) {
        for (int bx = 0; bx < 40; ++bx) {
            const TunnelSample* corners[4] = {&tunnel.sample(bx, by), &tunnel.sample(bx, by + 1),
                                              &tunnel.sample(bx + 1, by), &tunnel.sample(bx + 1, by + 1)};
            auto field = [&](int which, int corner) {
                const TunnelSample& sample = *corners[corner];
                return which == 0 ? sample.u : which == 1 ? sample.v : sample.shade;
            };
            for (int y = 0; y < 8; ++y) {
                int32_t now[3];
                int32_t step[3];
                for (int which = 0; which < 3; ++which) {
                    const int64_t topLeft = field(which, 0), bottomLeft = field(which, 1);
                    const int64_t topRight = field(which, 2), bottomRight = field(which, 3);
                    const int32_t left = wrap(topLeft * 256 + y * wrap((bottomLeft - topLeft) * 32));
                    const int32_t right = wrap(topRight * 256 + y * wrap((bottomRight - topRight) * 32));
                    now[which] = left;
                    step[which] = wrap(static_cast<int64_t>(right) - left) >> 3;
                }
                for (int x = 0; x < 8; ++x) {
                    const uint8_t texel = texels[((now[1] >> 16) & 255) * 256 + ((now[0] >> 16) & 255)];
                    const uint32_t colour = tunnel.shadeColour(texel, (now[2] >> 16) & 255);
                    uint32_t& pixel = pixels[(by * 8 + y) * kWidth + bx * 8 + x];
                    pixel = additive ? saturatingAdd(pixel, colour) : colour;
                    for (int which = 0; which < 3; ++which)
                        now[which] = wrap(static_cast<int64_t>(now[which]) + step[which]);
                }
            }
        }
    }
    return pixels;
}

TEST_F(TunnelTest, EveryPixelMatchesThePlainBlockFill) {
    std::vector<uint32_t> before(kWidth * kHeight);
    uint32_t state = 777;
    for (uint32_t& pixel : before) pixel = state = state * 1664525u + 1013904223u;
    for (float time : {0.0f, 5.0f, 300.0f}) {
        c3DTunnel tunnel(kTexture, 255.0f);
        tunnel.update(time);
        for (bool additive : {false, true}) {
            auto frame = makeSurface(kWidth, kHeight, directFormat());
            writePixels32(*frame, before);
            ASSERT_EQ(additive ? tunnel.drawAdditive(*frame) : tunnel.draw(*frame), 1);
            EXPECT_EQ(readPixels32(*frame), plainBlockFill(tunnel, before, additive))
                << "time " << time << (additive ? ", additive" : "");
        }
    }
}

TEST_F(TunnelTest, DrawingEveryFrameThroughTheRunInEqualsAFreshDraw) {
    // A tunnel drawn every step reuses its wall hits while the camera does not
    // turn; a new tunnel taken through the same steps casts afresh.
    c3DTunnel everyFrame(kTexture, 255.0f);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    auto reference = makeSurface(kWidth, kHeight, directFormat());
    for (int step = 1; step <= 24; ++step) {
        everyFrame.update(0.25f);
        ASSERT_EQ(everyFrame.draw(*frame), 1);
        if (step % 6 != 0 && step != 14 && step != 15) continue;
        c3DTunnel fresh(kTexture, 255.0f);
        for (int i = 0; i < step; ++i) fresh.update(0.25f);
        ASSERT_EQ(fresh.draw(*reference), 1);
        for (int column = 0; column < c3DTunnel::kLatticeColumns; ++column) {
            for (int row = 0; row < c3DTunnel::kLatticeRows; ++row) {
                const TunnelSample& a = everyFrame.sample(column, row);
                const TunnelSample& b = fresh.sample(column, row);
                ASSERT_TRUE(a.u == b.u && a.v == b.v && a.shade == b.shade) << "step " << step;
            }
        }
        EXPECT_EQ(readPixels32(*frame), readPixels32(*reference)) << "step " << step;
    }
}

TEST_F(TunnelTest, AdditiveDrawSaturatesAndEqualsThePlainDrawOnBlack) {
    c3DTunnel tunnel(kTexture, 255.0f);
    tunnel.update(4.0f);
    auto plain = makeSurface(kWidth, kHeight, directFormat());
    auto added = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*plain, std::vector<uint32_t>(kWidth * kHeight, 0x00abcdef));
    tunnel.draw(*plain);
    tunnel.drawAdditive(*added);
    EXPECT_EQ(readPixels32(*plain), readPixels32(*added));

    auto white = makeSurface(kWidth, kHeight, directFormat());
    writePixels32(*white, std::vector<uint32_t>(kWidth * kHeight, 0x00ffffff));
    tunnel.drawAdditive(*white);
    for (uint32_t pixel : readPixels32(*white)) ASSERT_EQ(pixel, 0x00ffffffu);
}

TEST_F(TunnelTest, CoversExactly320By240OfALargerFrame) {
    c3DTunnel tunnel(kTexture, 255.0f);
    auto frame = makeSurface(400, 300, directFormat());
    writePixels32(*frame, std::vector<uint32_t>(400 * 300, 0x00ffffff));
    ASSERT_EQ(tunnel.draw(*frame), 1);
    const std::vector<uint32_t> pixels = readPixels32(*frame);
    auto reference = makeSurface(kWidth, kHeight, directFormat());
    tunnel.draw(*reference);
    const std::vector<uint32_t> expected = readPixels32(*reference);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const uint32_t want = (x < kWidth && y < kHeight) ? expected[y * kWidth + x] : 0x00ffffffu;
            ASSERT_EQ(pixels[y * 400 + x], want) << x << ", " << y;
        }
    }
    auto small = makeSurface(kWidth - 1, kHeight, directFormat());
    EXPECT_THROW(tunnel.draw(*small), DynamicError);
}

namespace {

// The lattice's rays as the tunnel casts them: the frame's corner rays,
// normalised, with rows stepped in 26ths down the sides and columns in 41sts
// across each row.
std::vector<Vector3> latticeRays(const c3DTunnel& tunnel) {
    const Matrix4 rotation = Matrix4::rotation(tunnel.getAngle(0), tunnel.getAngle(1), tunnel.getAngle(2));
    const auto corner = [&](float x, float y) {
        const Vector3 p = rotation.transform(Vector3{x, y, 128.0f});
        const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        return Vector3{p.x / length, p.y / length, p.z / length};
    };
    const auto step = [](const Vector3& from, const Vector3& to, float parts) {
        return Vector3{(to.x - from.x) / parts, (to.y - from.y) / parts, (to.z - from.z) / parts};
    };
    const auto plus = [](const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; };
    const Vector3 topLeft = corner(-160.0f, -100.0f), topRight = corner(160.0f, -100.0f);
    const Vector3 leftStep = step(topLeft, corner(-160.0f, 100.0f), 26.0f);
    const Vector3 rightStep = step(topRight, corner(160.0f, 100.0f), 26.0f);
    std::vector<Vector3> rays(c3DTunnel::kLatticeColumns * c3DTunnel::kLatticeRows);
    Vector3 left = topLeft, right = topRight;
    for (int row = 0; row < c3DTunnel::kLatticeRows; ++row) {
        const Vector3 columnStep = step(left, right, 41.0f);
        Vector3 direction = left;
        for (int column = 0; column < c3DTunnel::kLatticeColumns; ++column) {
            rays[column * c3DTunnel::kLatticeRows + row] = direction;
            direction = plus(direction, columnStep);
        }
        left = plus(left, leftStep);
        right = plus(right, rightStep);
    }
    return rays;
}

}  // namespace

TEST_F(TunnelTest, LatticeSamplesEqualEachRayCastAloneThroughoutTheTurn) {
    // Every lattice sample of a minute of the show's turning frames (60 a
    // second, 0.4 time units each second) against the one-ray path and its
    // math library angle.
    c3DTunnel tunnel(kTexture, 255.0f);
    tunnel.update(3.6f);
    auto frame = makeSurface(kWidth, kHeight, directFormat());
    for (int frameNumber = 0; frameNumber < 3600; ++frameNumber) {
        tunnel.update(0.4f / 60);
        ASSERT_EQ(tunnel.draw(*frame), 1);
        const std::vector<Vector3> rays = latticeRays(tunnel);
        for (int column = 0; column < c3DTunnel::kLatticeColumns; ++column) {
            for (int row = 0; row < c3DTunnel::kLatticeRows; ++row) {
                const TunnelSample& drawn = tunnel.sample(column, row);
                const TunnelSample alone =
                    castTunnelRay(rays[column * c3DTunnel::kLatticeRows + row], 255.0f, tunnel.getTravel());
                ASSERT_TRUE(drawn.u == alone.u && drawn.v == alone.v && drawn.shade == alone.shade)
                    << "frame " << frameNumber << ", column " << column << ", row " << row;
            }
        }
    }
}
