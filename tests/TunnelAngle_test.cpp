#include "effects/TunnelAngle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// Points on the show's tube (radius 255) at every whole-unit angle k pi / 65536
// from 0 to pi, above and below the axis: each with its neighbours a few
// float steps away in x and y, where a truncation could go either way, and
// at k + f for fractions f just beyond the quick path's margin either side,
// where it decides with the least room.
struct Points {
    std::vector<float> x, y;
    void add(float px, float py) {
        x.push_back(px);
        y.push_back(py);
        x.push_back(px);
        y.push_back(-py);
    }
};

Points pointsAtWholeUnits() {
    Points points;
    const long double unit = 3.14159265358979323846264338327950288L / 65536.0L;
    for (int k = 0; k <= 65536; ++k) {
        const float cx = static_cast<float>(255.0L * std::cos(k * unit));
        const float cy = static_cast<float>(255.0L * std::sin(k * unit));
        for (int dx = -2; dx <= 2; ++dx) {
            for (int dy = -2; dy <= 2; ++dy) {
                float px = cx;
                float py = cy;
                for (int step = 0; step < std::abs(dx); ++step) px = std::nextafter(px, dx < 0 ? -1e9f : 1e9f);
                for (int step = 0; step < std::abs(dy); ++step) py = std::nextafter(py, dy < 0 ? -1e9f : 1e9f);
                points.add(px, py);
            }
        }
        for (const long double f : {0.016L, 0.017L, 0.02L, 0.03L, 0.05L}) {
            for (const long double angle : {(k + f) * unit, (k - f) * unit}) {
                points.add(static_cast<float>(255.0L * std::cos(angle)), static_cast<float>(255.0L * std::sin(angle)));
            }
        }
    }
    return points;
}

}  // namespace

TEST(TunnelAngle, TheQuickPathTruncatesAsTheReferenceAtEveryWholeUnit) {
    const Points points = pointsAtWholeUnits();
    const int count = static_cast<int>(points.x.size());
    std::vector<int32_t> batch(count);
    tunnelAngles(points.x.data(), points.y.data(), count, batch.data());
    int sure = 0;
    for (int i = 0; i < count; ++i) {
        const int32_t reference = tunnelAngle(points.x[i], points.y[i]);
        int32_t quick = -1;
        if (quickTunnelAngle(points.x[i], points.y[i], quick)) {
            ++sure;
            ASSERT_EQ(quick, reference) << "x " << points.x[i] << ", y " << points.y[i];
        }
        ASSERT_EQ(batch[i], reference) << "x " << points.x[i] << ", y " << points.y[i];
    }
    // Points past the margin are decided by the polynomial: most of those at
    // 0.02 units and beyond.
    EXPECT_GT(sure, count / 5);
}

TEST(TunnelAngle, TheFoldedAngleIsWithinItsBoundAndDecidesNearlyEverywhere) {
    // A dense sweep of one octant (both halves of the polynomial's range)
    // against long double: the quick path's decisions rest on 4.5e-3 units.
    const long double units = 65536.0L / 3.14159265358979323846264338327950288L;
    constexpr int kSteps = 1 << 20;
    int decided = 0;
    long double worst = 0;
    for (int i = 0; i <= kSteps; ++i) {
        const float y = static_cast<float>(255.0L * i / kSteps);
        const long double exact = std::atan2(static_cast<long double>(y), 255.0L) * units;
        worst = std::max(worst, std::fabs(quickOctantAngle(255.0f, y) - exact));
        int32_t quick = -1;
        decided += quickTunnelAngle(255.0f, y, quick) ? 1 : 0;
    }
    EXPECT_LT(worst, 4.5e-3L);
    // Only points within 1/64 of a whole unit go to the reference.
    EXPECT_GT(decided, kSteps / 100 * 96);
}

TEST(TunnelAngle, AxesZerosAndNonFiniteInputsTakeTheReference) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Points points;
    for (float a : {0.0f, -0.0f, 1.0f, -1.0f, 255.0f, 1e-40f, 3e38f, inf, -inf, nan}) {
        for (float b : {0.0f, -0.0f, 1.0f, -255.0f, 1e-40f, -3e38f, inf, nan}) points.add(a, b);
    }
    points.add(nan, 1.0f);
    const int count = static_cast<int>(points.x.size());
    std::vector<int32_t> batch(count);
    tunnelAngles(points.x.data(), points.y.data(), count, batch.data());
    for (int i = 0; i < count; ++i) {
        const int32_t reference = tunnelAngle(points.x[i], points.y[i]);
        EXPECT_EQ(batch[i], reference) << "x " << points.x[i] << ", y " << points.y[i];
        int32_t quick = -1;
        if (quickTunnelAngle(points.x[i], points.y[i], quick)) {
            EXPECT_EQ(quick, reference) << i;
        }
    }
    // The quarter and the half turn land just below their whole units in
    // double arithmetic: only the reference may answer there.
    EXPECT_EQ(tunnelAngle(-255.0f, 0.0f), 65535);
    EXPECT_EQ(tunnelAngle(0.0f, -255.0f), 32767);
}
