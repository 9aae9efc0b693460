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
// r = (min - max) / (min + max) past tan(pi / 8); either way |r| <= 0.4142.
// P is a Chebyshev fit of degree 5 in r^2 (coefficients below, rounded to
// double), within 4.8e-6 units of the true a over |r| <= 1.001 tan(pi / 8).
// Evaluating it in double adds under 1e-10: the inputs are floats, so
// min - max and min + max are exact where they are used (the two are within
// a factor of 2.5), and each of the dozen roundings is 2^-53 of a value
// below 21000. The reference's atan2 is within an ulp or two of the true
// angle and its two multiplications round twice more: under 1e-10 units as
// well. So the polynomial's a is within 5e-6 units of the value the
// reference truncates, and where a lies further than kMargin (2^-12, fifty
// times that) from a whole number both truncate alike. Everything else
// (whole-unit angles such as the axes, and NaN or infinite inputs, whose
// arithmetic ends in NaN or a whole a) goes to the reference: about one
// point in 2000.
namespace {

constexpr double kTanEighthTurn = 0.41421356237309503;
constexpr double kOctant = 16384.0;
constexpr double kMargin = 1.0 / 4096.0;
// P's coefficients, highest power first.
constexpr double kP5 = -1256.1554863111248;
constexpr double kP4 = 2204.567144426239;
constexpr double kP3 = -2970.4233795160603;
constexpr double kP2 = 4171.769560798203;
constexpr double kP1 = -6953.580000347166;
constexpr double kP0 = 20860.756687676556;

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

double quickOctantAngle(float x, float y) {
    const double ax = std::fabs(static_cast<double>(x));
    const double ay = std::fabs(static_cast<double>(y));
    const double least = ay < ax ? ay : ax;
    const double most = ay < ax ? ax : ay;
    const bool beyond = least > most * kTanEighthTurn;
    const double r = beyond ? (least - most) / (least + most) : least / most;
    const double s = r * r;
    // P in pairs of terms (a shorter chain of dependent operations).
    const double s2 = s * s;
    const double p = (kP1 * s + kP0) + s2 * ((kP3 * s + kP2) + s2 * (kP5 * s + kP4));
    return r * p + (beyond ? kOctant : 0.0);
}

bool quickTunnelAngle(float x, float y, int32_t& angle) {
    const double a = quickOctantAngle(x, y);
    if (!(a >= 0.0 && a <= kOctant)) return false;  // NaN included
    const int32_t n = static_cast<int32_t>(a);
    const double fraction = a - n;
    if (!(fraction > kMargin && fraction < 1.0 - kMargin)) return false;
    angle = unfolded(n, x, y);
    return true;
}

void tunnelAngles(const float* x, const float* y, int count, int32_t* angles) {
    int i = 0;
#if PEEKSTUN_SIMD
    // quickOctantAngle's and quickTunnelAngle's arithmetic in the same order, two points a lane each;
    // the selections are masks, and NaN fails every comparison as it does there.
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d tanEighthTurn = _mm_set1_pd(kTanEighthTurn);
    const __m128d octant = _mm_set1_pd(kOctant);
    const __m128d lowest = _mm_set1_pd(kMargin);
    const __m128d highest = _mm_set1_pd(1.0 - kMargin);
    for (; i + 2 <= count; i += 2) {
        // x[i], x[i + 1], y[i], y[i + 1] as doubles.
        const __m128 both =
            _mm_castsi128_ps(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(x + i)),
                                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(y + i))));
        const __m128d ax = _mm_and_pd(_mm_cvtps_pd(both), magnitude);
        const __m128d ay = _mm_and_pd(_mm_cvtps_pd(_mm_movehl_ps(both, both)), magnitude);
        const __m128d ayBelow = _mm_cmplt_pd(ay, ax);
        const __m128d least = _mm_or_pd(_mm_and_pd(ayBelow, ay), _mm_andnot_pd(ayBelow, ax));
        const __m128d most = _mm_or_pd(_mm_and_pd(ayBelow, ax), _mm_andnot_pd(ayBelow, ay));
        const __m128d beyond = _mm_cmpgt_pd(least, _mm_mul_pd(most, tanEighthTurn));
        const __m128d numerator = _mm_or_pd(_mm_and_pd(beyond, _mm_sub_pd(least, most)), _mm_andnot_pd(beyond, least));
        const __m128d denominator = _mm_or_pd(_mm_and_pd(beyond, _mm_add_pd(least, most)), _mm_andnot_pd(beyond, most));
        const __m128d r = _mm_div_pd(numerator, denominator);
        const __m128d s = _mm_mul_pd(r, r);
        const __m128d s2 = _mm_mul_pd(s, s);
        const __m128d p10 = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(kP1), s), _mm_set1_pd(kP0));
        const __m128d p32 = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(kP3), s), _mm_set1_pd(kP2));
        const __m128d p54 = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(kP5), s), _mm_set1_pd(kP4));
        const __m128d p = _mm_add_pd(p10, _mm_mul_pd(s2, _mm_add_pd(p32, _mm_mul_pd(s2, p54))));
        const __m128d a = _mm_add_pd(_mm_mul_pd(r, p), _mm_and_pd(beyond, octant));
        // NaN and values out of range convert to INT32_MIN, whose fraction
        // is no small number either.
        const __m128i whole = _mm_cvttpd_epi32(a);
        const __m128d fraction = _mm_sub_pd(a, _mm_cvtepi32_pd(whole));
        const __m128d inRange = _mm_and_pd(_mm_cmpge_pd(a, _mm_setzero_pd()), _mm_cmple_pd(a, octant));
        const __m128d sure =
            _mm_and_pd(inRange, _mm_and_pd(_mm_cmpgt_pd(fraction, lowest), _mm_cmplt_pd(fraction, highest)));
        // unfolded() on the lanes: K + (n or its complement, -n - 1), a
        // lane mask choosing each.
        const __m128i quarter = _mm_set1_epi32(32768);
        const __m128i half = _mm_set1_epi32(65536);
        const __m128i steep = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmpgt_pd(ay, ax)), 0x08);
        const __m128i back =
            _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmplt_pd(_mm_cvtps_pd(both), _mm_setzero_pd())), 0x08);
        __m128i angle = _mm_add_epi32(_mm_and_si128(steep, quarter), _mm_xor_si128(whole, steep));
        angle = _mm_add_epi32(_mm_and_si128(back, half), _mm_xor_si128(angle, back));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(angles + i), angle);
        const int sureLanes = _mm_movemask_pd(sure);
        if (sureLanes != 3) {
            if (!(sureLanes & 1)) angles[i] = tunnelAngle(x[i], y[i]);
            if (!(sureLanes & 2)) angles[i + 1] = tunnelAngle(x[i + 1], y[i + 1]);
        }
    }
#endif
    for (; i < count; ++i) {
        if (!quickTunnelAngle(x[i], y[i], angles[i])) angles[i] = tunnelAngle(x[i], y[i]);
    }
}
