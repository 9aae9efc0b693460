// The clock displays' digits: seven segments, lit ones glowing cyan and unlit
// ones faintly visible, slanted a little like an old clock; and the colon.
#include <string>

#include "Painters.h"
#include "PictureFile.h"
#include "ShowColours.h"

namespace {

constexpr int digitWidth = 40, digitHeight = 48, colonWidth = 20;
constexpr float slant = 0.12f;  // pixels right per pixel up
const Rgb litColour = hex(0x38d0ff);
const Rgb unlitColour = hex(0x0a1630);

// A segment bar with pointed ends, from a to b (horizontal or vertical).
float sdBar(Vec2 p, Vec2 a, Vec2 b, float thickness) {
    Vec2 axis = b - a;
    float len = length(axis);
    Vec2 dir = axis * (1 / len);
    Vec2 rel = p - (a + b) * 0.5f;
    float along = std::fabs(dot(rel, dir)), across = std::fabs(dot(rel, {-dir.y, dir.x}));
    return std::max(across - thickness / 2, along + across - len / 2);
}

// Segment end points on an upright grid, a to g in the usual order.
struct Segment {
    Vec2 a, b;
};
const Segment segments[7] = {
    {{12, 7}, {28, 7}},   {{30, 9}, {30, 23}}, {{30, 25}, {30, 39}}, {{12, 41}, {28, 41}},
    {{10, 25}, {10, 39}}, {{10, 9}, {10, 23}}, {{12, 24}, {28, 24}},
};

// Which of a to g each digit lights.
const char* litSegments(char digit) {
    switch (digit) {
        case '0':
            return "abcdef";
        case '1':
            return "bc";
        case '2':
            return "abged";
        case '3':
            return "abgcd";
        case '5':
            return "afgcd";
        case '7':
            return "abc";
    }
    return "";
}

Vec2 unslant(Vec2 p) { return {p.x + (p.y - digitHeight / 2) * slant, p.y}; }

Canvas digit(char which) {
    Canvas picture(digitWidth, digitHeight);
    std::string lit = litSegments(which);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        Vec2 q = unslant(p);
        Rgb colour;
        float glowDistance = 1e9f;
        for (int s = 0; s < 7; ++s) {
            float d = sdBar(q, segments[s].a, segments[s].b, 5.5f);
            bool on = lit.find(static_cast<char>('a' + s)) != std::string::npos;
            if (on) glowDistance = std::min(glowDistance, d);
            colour = mix(colour, on ? litColour : unlitColour, coverage(d));
        }
        // A white-hot middle to each lit segment and a soft glow around it.
        float core = smoothstep(0.5f, -2.0f, glowDistance);
        pixel = colour + hex(0xa0f0ff) * (core * 0.6f) +
                litColour * (0.35f * std::exp(-std::max(glowDistance, 0.0f) / 2.5f) * (glowDistance > 0));
    });
    return picture;
}

Canvas colon() {
    Canvas picture(colonWidth, digitHeight);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        Vec2 q = unslant(p);
        float d = std::min(sdCircle(q, {10, 16}, 3), sdCircle(q, {10, 33}, 3));
        float core = smoothstep(0.5f, -2.0f, d);
        pixel = litColour * coverage(d) + hex(0xa0f0ff) * (core * 0.6f) +
                litColour * (0.4f * std::exp(-std::max(d, 0.0f) / 2.5f) * (d > 0));
    });
    return picture;
}

}  // namespace

void paintClock(const std::string& dataDir) {
    const std::string digits = "012357";
    for (size_t i = 0; i < digits.size(); ++i)
        savePicture(dataDir, std::string("gfx/") + digits[i] + ".tga", digit(digits[i]), tga8(i % 2 == 1, 64));
    savePicture(dataDir, "gfx/col.tga", colon(), tga8(false, 32));
}
