#include "Noise.h"

#include <cmath>

#include "Random.h"

static int wrap(int v, int period) {
    if (period <= 0) return v;
    int m = v % period;
    return m < 0 ? m + period : m;
}

static float latticeValue(int x, int y, uint32_t seed, int period) {
    return static_cast<float>(hashPoint(wrap(x, period), wrap(y, period), seed) >> 8) * (1.0f / 16777216.0f);
}

float valueNoise(float x, float y, uint32_t seed, int period) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    // Quintic fade: no visible creases along the lattice lines.
    float sx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
    float sy = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    float a = latticeValue(ix, iy, seed, period), b = latticeValue(ix + 1, iy, seed, period);
    float c = latticeValue(ix, iy + 1, seed, period), d = latticeValue(ix + 1, iy + 1, seed, period);
    float top = a + (b - a) * sx, bottom = c + (d - c) * sx;
    return top + (bottom - top) * sy;
}

float fbm(float x, float y, uint32_t seed, int octaves, float gain, int period) {
    float sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + static_cast<uint32_t>(i) * 1013u, period) * amplitude;
        total += amplitude;
        amplitude *= gain;
        x *= 2;
        y *= 2;
        if (period > 0) period *= 2;
    }
    return sum / total;
}
