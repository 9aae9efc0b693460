#include "effects/TunnelAngle.h"

#include <cmath>

#include "effects/floatToInt.h"
#include "platform/simd.h"

// Why the polynomial's truncation is the reference's wherever it says so.
//
// Let a be the angle of the point folded into the first octant, in units:
// atan(min(|x|, |y|) / max(|x|, |y|)) x 65536 / pi, 0 to 16384. The wall
// angle is a, 32768 - a, 65536 - a or 32768 + a by the point's octant, so
// when a is not a whole number its truncation follows from a's: n or
// K - n - 1, n = trunc(a).
//
// a comes from r x P(r^2) with r = min / max, or 16384 + r x P(r^2) with
// r = (min - max) / (min + max) past tan(pi / 8); either way |r| <= 0.4143.
// P is a Chebyshev fit of degree 5 in r^2 with its coefficients rounded to
// float, within 3.6e-4 units of the true a for exact arithmetic. In float:
// - r carries at most three roundings (difference, sum, quotient), a
//   relative 3 x 2^-24, which moves a by at most 20861 |r| 3 x 2^-24 < 1.6e-3;
// - P's terms round to half an ulp of values below 2^15 (9.8e-4) twice in
//   the sum that reaches about 20000, and far less in the small ones: under
//   2.2e-3, and r times that under 9.1e-4;
// - the product r x P and the sum with 16384 round once each, to half an
//   ulp of values below 2^14: 4.9e-4 each.
// The reference's atan2 is within an ulp or two of the true angle and its
// two multiplications round in double: under 1e-10 units. So the float a
// lies within 4.5e-3 units of the value the reference truncates, and where it
// lies further than kMargin (1/64, over three times that) from a whole
// number both truncate alike. Everything else (whole-unit angles such as the
// axes, and NaN or infinite inputs, whose arithmetic ends in NaN or a whole
// a) goes to the reference: about one point in 32.
namespace {

constexpr float kTanEighthTurn = 0.41421356f;
constexpr float kOctant = 16384.0f;
constexpr float kMargin = 1.0f / 64.0f;
// P's coefficients, highest power first.
constexpr float kP5 = -1256.155517578125f;
constexpr float kP4 = 2204.567138671875f;
constexpr float kP3 = -2970.42333984375f;
constexpr float kP2 = 4171.76953125f;
constexpr float kP1 = -6953.580078125f;
constexpr float kP0 = 20860.755859375f;

// The wall angle from the octant's truncated a: reflected about the
// diagonal when |y| > |x|, about the y axis when x < 0.
inline int32_t unfolded(int32_t n, float x, float y) {
    int32_t angle = std::fabs(y) > std::fabs(x) ? 32768 - n - 1 : n;
    return x < 0.0f ? 65536 - angle - 1 : angle;
}

}  // namespace

int32_t tunnelAngle(float x, float y) {
    return truncToWrappedInt(
        std::fabs(std::atan2(static_cast<double>(y), static_cast<double>(x)) * 65536.0 * 0.3183098861837697));
}

float quickOctantAngle(float x, float y) {
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    const float least = ay < ax ? ay : ax;
    const float most = ay < ax ? ax : ay;
    const bool beyond = least > most * kTanEighthTurn;
    const float r = beyond ? (least - most) / (least + most) : least / most;
    // P in pairs of terms (a shorter chain of dependent operations).
    const float s = r * r;
    const float s2 = s * s;
    const float p = (kP1 * s + kP0) + s2 * ((kP3 * s + kP2) + s2 * (kP5 * s + kP4));
    return r * p + (beyond ? kOctant : 0.0f);
}

bool quickTunnelAngle(float x, float y, int32_t& angle) {
    const float a = quickOctantAngle(x, y);
    if (!(a >= 0.0f && a <= kOctant)) return false;  // NaN included
    const int32_t n = static_cast<int32_t>(a);
    const float fraction = a - static_cast<float>(n);
    if (!(fraction > kMargin && fraction < 1.0f - kMargin)) return false;
    angle = unfolded(n, x, y);
    return true;
}

void tunnelAngles(const float* x, const float* y, int count, int32_t* angles) {
    int i = 0;
#if PEEKSTUN_SIMD
    // quickOctantAngle's and quickTunnelAngle's arithmetic in the same order,
    // four points a lane each; the selections are masks. A NaN lane ends with
    // a NaN or whole a, never sure.
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 tanEighthTurn = _mm_set1_ps(kTanEighthTurn);
    const __m128 octant = _mm_set1_ps(kOctant);
    const __m128 lowest = _mm_set1_ps(kMargin);
    const __m128 highest = _mm_set1_ps(1.0f - kMargin);
    const __m128i quarter = _mm_set1_epi32(32768);
    const __m128i half = _mm_set1_epi32(65536);
    for (; i + 4 <= count; i += 4) {
        const __m128 px = _mm_loadu_ps(x + i);
        const __m128 py = _mm_loadu_ps(y + i);
        const __m128 ax = _mm_and_ps(px, magnitude);
        const __m128 ay = _mm_and_ps(py, magnitude);
        const __m128 ayBelow = _mm_cmplt_ps(ay, ax);
        const __m128 least = _mm_or_ps(_mm_and_ps(ayBelow, ay), _mm_andnot_ps(ayBelow, ax));
        const __m128 most = _mm_or_ps(_mm_and_ps(ayBelow, ax), _mm_andnot_ps(ayBelow, ay));
        const __m128 beyond = _mm_cmpgt_ps(least, _mm_mul_ps(most, tanEighthTurn));
        const __m128 numerator = _mm_or_ps(_mm_and_ps(beyond, _mm_sub_ps(least, most)), _mm_andnot_ps(beyond, least));
        const __m128 denominator = _mm_or_ps(_mm_and_ps(beyond, _mm_add_ps(least, most)), _mm_andnot_ps(beyond, most));
        const __m128 r = _mm_div_ps(numerator, denominator);
        const __m128 s = _mm_mul_ps(r, r);
        const __m128 s2 = _mm_mul_ps(s, s);
        const __m128 p10 = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(kP1), s), _mm_set1_ps(kP0));
        const __m128 p32 = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(kP3), s), _mm_set1_ps(kP2));
        const __m128 p54 = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(kP5), s), _mm_set1_ps(kP4));
        const __m128 p = _mm_add_ps(p10, _mm_mul_ps(s2, _mm_add_ps(p32, _mm_mul_ps(s2, p54))));
        const __m128 a = _mm_add_ps(_mm_mul_ps(r, p), _mm_and_ps(beyond, octant));
        // NaN converts to INT32_MIN, whose fraction is no small number.
        const __m128i whole = _mm_cvttps_epi32(a);
        const __m128 fraction = _mm_sub_ps(a, _mm_cvtepi32_ps(whole));
        const __m128 inRange = _mm_and_ps(_mm_cmpge_ps(a, _mm_setzero_ps()), _mm_cmple_ps(a, octant));
        const __m128 sure =
            _mm_and_ps(inRange, _mm_and_ps(_mm_cmpgt_ps(fraction, lowest), _mm_cmplt_ps(fraction, highest)));
        // unfolded() on the lanes: K + (n or its complement, -n - 1), a
        // lane mask choosing each.
        const __m128i steep = _mm_castps_si128(_mm_cmpgt_ps(ay, ax));
        const __m128i back = _mm_castps_si128(_mm_cmplt_ps(px, _mm_setzero_ps()));
        __m128i angle = _mm_add_epi32(_mm_and_si128(steep, quarter), _mm_xor_si128(whole, steep));
        angle = _mm_add_epi32(_mm_and_si128(back, half), _mm_xor_si128(angle, back));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(angles + i), angle);
        const int sureLanes = _mm_movemask_ps(sure);
        if (sureLanes != 15) {
            for (int lane = 0; lane < 4; ++lane) {
                if (!(sureLanes & (1 << lane))) angles[i + lane] = tunnelAngle(x[i + lane], y[i + lane]);
            }
        }
    }
#endif
    for (; i < count; ++i) {
        if (!quickTunnelAngle(x[i], y[i], angles[i])) angles[i] = tunnelAngle(x[i], y[i]);
    }
}
