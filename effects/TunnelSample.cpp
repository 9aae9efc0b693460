#include "effects/TunnelSample.h"

#include <cmath>

#include "effects/TunnelAngle.h"
#include "effects/floatToInt.h"
#include "platform/simd.h"

namespace {

bool isFiniteHit(float x, float y, float z) { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

// Far along the tube u outgrows 32 bits; only its low bits reach the
// texture, and the wrapped value keeps them.
inline int32_t depthAt(float z, float travel) {
    return truncToWrappedInt(std::fabs(z - 128.0f + 8.0f * travel) * 0.2 * 256.0);
}

// The sample of a hit whose angle is known.
inline TunnelSample sampleWithAngle(float x, float y, float z, float travel, int32_t angle) {
    if (!isFiniteHit(x, y, z)) return TunnelSample{0, 0, 0};

    TunnelSample sample;
    sample.u = depthAt(z, travel);
    sample.v = angle;
    const double dimming = std::trunc(std::fabs(z) * 0.08 * 256.0);
    sample.shade = dimming >= 32768.0 ? 0 : 32768 - static_cast<int32_t>(dimming);
    return sample;
}

inline TunnelSample sampleAt(float x, float y, float z, float travel) {
    return sampleWithAngle(x, y, z, travel, tunnelAngle(x, y));
}

}  // namespace

Vector3 tunnelWallHit(const Vector3& v, float radius) {
    // The wall x^2 + y^2 = radius^2 against the ray t v: the camera sits on
    // the axis, so the quadratic has no linear term; the negative root is taken.
    const float a = v.x * v.x + v.y * v.y;
    const float b = 0.0f;
    const float c = 0.0f - radius * radius;
    const float discriminant = b * b - 4.0f * a * c;
    const float t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    return Vector3{t * v.x, t * v.y, t * v.z};
}

void tunnelWallHits(const float* x, const float* y, const float* z, int count, float radius, float* hitX, float* hitY,
                    float* hitZ) {
#if !PEEKSTUN_SIMD
    for (int i = 0; i < count; ++i) {
        const Vector3 hit = tunnelWallHit(Vector3{x[i], y[i], z[i]}, radius);
        hitX[i] = hit.x;
        hitY[i] = hit.y;
        hitZ[i] = hit.z;
    }
#else
    // tunnelWallHit's operations in the same order, four rays a lane each.
    const __m128 b = _mm_set1_ps(0.0f);
    const __m128 c = _mm_set1_ps(0.0f - radius * radius);
    const __m128 four = _mm_set1_ps(4.0f);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 minusB = _mm_set1_ps(-0.0f);
    for (int i = 0; i < count; i += 4) {
        const __m128 vx = _mm_loadu_ps(x + i);
        const __m128 vy = _mm_loadu_ps(y + i);
        const __m128 vz = _mm_loadu_ps(z + i);
        const __m128 a = _mm_add_ps(_mm_mul_ps(vx, vx), _mm_mul_ps(vy, vy));
        const __m128 discriminant = _mm_sub_ps(_mm_mul_ps(b, b), _mm_mul_ps(_mm_mul_ps(four, a), c));
        const __m128 t = _mm_div_ps(_mm_sub_ps(minusB, _mm_sqrt_ps(discriminant)), _mm_mul_ps(two, a));
        _mm_storeu_ps(hitX + i, _mm_mul_ps(t, vx));
        _mm_storeu_ps(hitY + i, _mm_mul_ps(t, vy));
        _mm_storeu_ps(hitZ + i, _mm_mul_ps(t, vz));
    }
#endif
}

TunnelSample tunnelSampleAt(const Vector3& hit, float travel) { return sampleAt(hit.x, hit.y, hit.z, travel); }

void tunnelSamplesAt(const float* x, const float* y, const float* z, int count, float travel, TunnelSample* samples) {
    // The angles a stretch at a time.
    constexpr int kStretch = 64;
    int32_t angles[kStretch];
    for (int first = 0; first < count; first += kStretch) {
        const int length = count - first < kStretch ? count - first : kStretch;
        tunnelAngles(x + first, y + first, length, angles);
        tunnelSamplesAt(x + first, y + first, z + first, angles, length, travel, samples + first);
    }
}

void tunnelSamplesAt(const float* x, const float* y, const float* z, const int32_t* angles, int count, float travel,
                     TunnelSample* samples) {
    int i = 0;
#if PEEKSTUN_SIMD
    // sampleWithAngle's arithmetic, two hits a lane each; a hit that is not
    // finite, or whose depth needs the wrapping conversion, takes its path.
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 ahead = _mm_set1_ps(8.0f * travel);
    const __m128 axisOffset = _mm_set1_ps(128.0f);
    const __m128d fifth = _mm_set1_pd(0.2);
    const __m128d dimming = _mm_set1_pd(0.08);
    const __m128d scale = _mm_set1_pd(256.0);
    const __m128d intLimit = _mm_set1_pd(2147483648.0);
    const __m128d darkness = _mm_set1_pd(32768.0);
    const auto loadTwo = [](const float* at) {
        return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)));
    };
    for (; i + 2 <= count; i += 2) {
        const __m128 hx = loadTwo(x + i);
        const __m128 hy = loadTwo(y + i);
        const __m128 hz = loadTwo(z + i);
        // v - v is 0 exactly when v is finite.
        const __m128 zero = _mm_setzero_ps();
        const __m128 finite =
            _mm_and_ps(_mm_cmpeq_ps(_mm_sub_ps(hx, hx), zero),
                       _mm_and_ps(_mm_cmpeq_ps(_mm_sub_ps(hy, hy), zero), _mm_cmpeq_ps(_mm_sub_ps(hz, hz), zero)));
        const __m128 depth = _mm_and_ps(_mm_add_ps(_mm_sub_ps(hz, axisOffset), ahead), magnitude);
        const __m128d u = _mm_mul_pd(_mm_mul_pd(_mm_cvtps_pd(depth), fifth), scale);
        const __m128d shade = _mm_mul_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_and_ps(hz, magnitude)), dimming), scale);
        const int finiteLanes = _mm_movemask_ps(finite);
        const int plainLanes = _mm_movemask_pd(_mm_cmplt_pd(u, intLimit));
        // Past full darkness the brightness is 0, chosen by a lane mask.
        const __m128i dark = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmpge_pd(shade, darkness)), 0x08);
        alignas(16) int32_t us[4];
        alignas(16) int32_t shades[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(us), _mm_cvttpd_epi32(u));
        _mm_store_si128(reinterpret_cast<__m128i*>(shades),
                        _mm_andnot_si128(dark, _mm_sub_epi32(_mm_set1_epi32(32768), _mm_cvttpd_epi32(shade))));
        if ((finiteLanes & 3) == 3 && plainLanes == 3) {
            samples[i] = TunnelSample{us[0], angles[i], shades[0]};
            samples[i + 1] = TunnelSample{us[1], angles[i + 1], shades[1]};
            continue;
        }
        for (int lane = 0; lane < 2; ++lane) {
            const int hit = i + lane;
            const int bit = 1 << lane;
            if (!(finiteLanes & bit)) {
                samples[hit] = TunnelSample{0, 0, 0};
                continue;
            }
            samples[hit].u = (plainLanes & bit) ? us[lane] : depthAt(z[hit], travel);
            samples[hit].v = angles[hit];
            samples[hit].shade = shades[lane];
        }
    }
#endif
    for (; i < count; ++i) samples[i] = sampleWithAngle(x[i], y[i], z[i], travel, angles[i]);
}

void tunnelDepthsAt(const float* x, const float* y, const float* z, int count, float travel, TunnelSample* samples) {
    for (int i = 0; i < count; ++i) {
        if (isFiniteHit(x[i], y[i], z[i])) samples[i].u = depthAt(z[i], travel);
    }
}

TunnelSample castTunnelRay(const Vector3& v, float radius, float travel) {
    return tunnelSampleAt(tunnelWallHit(v, radius), travel);
}
