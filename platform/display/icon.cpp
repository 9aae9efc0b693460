#include "platform/display/icon.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int windowIconSize = 64;
constexpr int samplesPerAxis = 4;  // 16 samples per pixel smooth the edges

struct Colour {
    float r, g, b, a;
};

Colour mix(Colour under, Colour over) {
    float a = over.a + under.a * (1.0f - over.a);
    if (a <= 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    auto channel = [&](float u, float o) { return (o * over.a + u * under.a * (1.0f - over.a)) / a; };
    return {channel(under.r, over.r), channel(under.g, over.g), channel(under.b, over.b), a};
}

// Signed distance to a rounded square centred on the origin.
float roundedSquareDistance(float x, float y, float halfSide, float radius) {
    float qx = std::fabs(x) - (halfSide - radius);
    float qy = std::fabs(y) - (halfSide - radius);
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// One sample of the picture at (x, y) in [-1, 1]: a tile holding a tunnel of
// rings that draws the eye to its far end, where an eye peeks back.
Colour sample(float x, float y) {
    Colour colour = {0.0f, 0.0f, 0.0f, 0.0f};
    if (roundedSquareDistance(x, y, 0.94f, 0.24f) > 0.0f) return colour;

    // The tile: deep violet, lighter towards the top.
    colour = {0.16f + 0.10f * (1.0f - y) * 0.5f, 0.05f, 0.30f + 0.12f * (1.0f - y) * 0.5f, 1.0f};

    // The tunnel: rings whose spacing shrinks with depth, alternating teal
    // and magenta, their centre drifting up and right as they recede.
    float vanishX = 0.10f, vanishY = -0.08f;
    float radius = std::hypot(x - vanishX * (1.0f - std::hypot(x, y)), y - vanishY * (1.0f - std::hypot(x, y)));
    if (radius > 0.02f) {
        float depth = 2.4f / radius;
        float band = depth - std::floor(depth);
        float fade = std::min(1.0f, radius * 1.6f);
        Colour ring = (static_cast<int>(std::floor(depth)) % 2 == 0) ? Colour{0.05f, 0.80f, 0.78f, 0.0f}
                                                                     : Colour{0.92f, 0.20f, 0.66f, 0.0f};
        ring.a = (band < 0.45f ? 0.85f : 0.25f) * fade;
        colour = mix(colour, ring);
    }

    // The eye: an almond of white with a teal iris and a black pupil, lit by
    // one highlight.
    float ex = x / 0.62f, ey = y / 0.36f;
    float lid = 1.0f - ex * ex;
    if (lid > 0.0f && std::fabs(ey) < lid) {
        colour = mix(colour, {0.97f, 0.96f, 0.92f, 1.0f});
        float iris = std::hypot(x, y);
        if (iris < 0.27f) colour = mix(colour, {0.06f + 0.5f * iris, 0.55f, 0.62f, 1.0f});
        if (iris < 0.12f) colour = mix(colour, {0.02f, 0.02f, 0.04f, 1.0f});
        if (std::hypot(x + 0.08f, y + 0.09f) < 0.05f) colour = mix(colour, {1.0f, 1.0f, 1.0f, 0.95f});
    } else if (lid > 0.0f && std::fabs(ey) < lid + 0.12f) {
        colour = mix(colour, {0.03f, 0.01f, 0.08f, 1.0f});  // the lids' dark outline
    }
    return colour;
}

uint32_t toWord(float r, float g, float b, float a) {
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::min(std::max(v, 0.0f), 1.0f) * 255.0f)); };
    return byte(a) << 24 | byte(r) << 16 | byte(g) << 8 | byte(b);
}

}  // namespace

std::vector<uint32_t> paintMainIcon(int size) {
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            // Average premultiplied samples, then undo the premultiplication.
            float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
            for (int sy = 0; sy < samplesPerAxis; ++sy) {
                for (int sx = 0; sx < samplesPerAxis; ++sx) {
                    float x = ((px + (sx + 0.5f) / samplesPerAxis) / size) * 2.0f - 1.0f;
                    float y = ((py + (sy + 0.5f) / samplesPerAxis) / size) * 2.0f - 1.0f;
                    Colour c = sample(x, y);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            float count = samplesPerAxis * samplesPerAxis;
            pixels[py * size + px] = a > 0.0f ? toWord(r / a, g / a, b / a, a / count) : 0;
        }
    }
    return pixels;
}

const uint32_t* mainIconPixels(int& width, int& height) {
    static const std::vector<uint32_t> pixels = paintMainIcon(windowIconSize);
    width = windowIconSize;
    height = windowIconSize;
    return pixels.data();
}
