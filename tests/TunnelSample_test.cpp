#include "effects/TunnelSample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Rays in all directions, with the awkward ones: along the axis, nearly along
// it, zero, signed zeros, tiny and huge components, and NaN.
std::vector<Vector3> testDirections() {
    std::vector<Vector3> directions = {
        {0.0f, 0.0f, 1.0f},   {0.0f, 0.0f, -1.0f},   {-0.0f, 0.0f, 1.0f},
        {0.0f, -0.0f, -1.0f}, {0.0f, 0.0f, 0.0f},    {1e-20f, 0.0f, 1.0f},
        {0.0f, 1e-30f, 1.0f}, {1e-3f, -1e-3f, 1.0f}, {1.0f, 0.0f, 0.0f},
        {-1.0f, 0.0f, 0.0f},  {0.0f, 1.0f, 0.5f},    {0.0f, -1.0f, 0.5f},
        {1e30f, 1e30f, 1.0f}, {3e38f, 0.0f, 1.0f},   {std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.5f},
    };
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(state >> 8) - (1 << 23)) / static_cast<float>(1 << 23);
    };
    for (int i = 0; i < 2000; ++i) directions.push_back(Vector3{next(), next(), next()});
    while (directions.size() % 4 != 0) directions.push_back(Vector3{next(), next(), next()});
    return directions;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

struct Coordinates {
    std::vector<float> x, y, z;
};

Coordinates split(const std::vector<Vector3>& points) {
    Coordinates c;
    for (const Vector3& p : points) {
        c.x.push_back(p.x);
        c.y.push_back(p.y);
        c.z.push_back(p.z);
    }
    return c;
}

void expectSameSample(const TunnelSample& actual, const TunnelSample& expected, size_t i) {
    EXPECT_EQ(actual.u, expected.u) << i;
    EXPECT_EQ(actual.v, expected.v) << i;
    EXPECT_EQ(actual.shade, expected.shade) << i;
}

}  // namespace

TEST(TunnelWallHits, FourAtATimeEqualTheSingleRayBitForBit) {
    const std::vector<Vector3> directions = testDirections();
    const Coordinates rays = split(directions);
    const int count = static_cast<int>(directions.size());
    for (float radius : {255.0f, 1.0f, 0.0f}) {
        std::vector<float> x(count), y(count), z(count);
        tunnelWallHits(rays.x.data(), rays.y.data(), rays.z.data(), count, radius, x.data(), y.data(), z.data());
        for (int i = 0; i < count; ++i) {
            const Vector3 hit = tunnelWallHit(directions[i], radius);
            ASSERT_TRUE(sameBits(x[i], hit.x) && sameBits(y[i], hit.y) && sameBits(z[i], hit.z))
                << "radius " << radius << ", ray " << i;
        }
    }
}

TEST(TunnelSamples, ABatchEqualsEachHitAloneAndDepthsFollowTheTravel) {
    std::vector<Vector3> hits;
    for (const Vector3& direction : testDirections()) hits.push_back(tunnelWallHit(direction, 255.0f));
    hits.push_back(Vector3{std::numeric_limits<float>::infinity(), 0.0f, 1.0f});
    hits.push_back(Vector3{1.0f, 2.0f, -std::numeric_limits<float>::infinity()});
    const Coordinates c = split(hits);
    const int count = static_cast<int>(hits.size());
    // Long travels take the depth past 32 bits.
    const std::vector<float> travels = {0.0f, -350.0f, -30000.0f, -1e8f};
    std::vector<TunnelSample> renewed(count);
    tunnelSamplesAt(c.x.data(), c.y.data(), c.z.data(), count, travels[0], renewed.data());
    for (float travel : travels) {
        std::vector<TunnelSample> batch(count);
        tunnelSamplesAt(c.x.data(), c.y.data(), c.z.data(), count, travel, batch.data());
        tunnelDepthsAt(c.x.data(), c.y.data(), c.z.data(), count, travel, renewed.data());
        for (int i = 0; i < count; ++i) {
            const TunnelSample alone = tunnelSampleAt(hits[i], travel);
            expectSameSample(batch[i], alone, i);
            expectSameSample(renewed[i], alone, i);
        }
    }
}
