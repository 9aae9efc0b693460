// A picture being painted: rows of linear RGB in floats (0 black, 1 full), so
// layers can be added and blended without clipping until the picture is saved.
#pragma once

#include <cstdint>
#include <vector>

#include "Geometry.h"
#include "Mask.h"

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }
// A colour from a 0xRRGGBB literal.
inline Rgb hex(uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f};
}

// A rectangle of pixels, right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb background = {});

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb& at(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgb& at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    Box bounds() const { return {0, 0, width_, height_}; }

    // Calls shade(centre, pixel) for every pixel inside box, centre being the
    // pixel's middle (x + 0.5, y + 0.5).
    template <class Shade>
    void forEach(Box box, Shade shade) {
        box = clip(box);
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) shade(Vec2{x + 0.5f, y + 0.5f}, at(x, y));
    }
    template <class Shade>
    void forEach(Shade shade) {
        forEach(bounds(), shade);
    }

    // Covers the shape given by its signed distance with colour, anti-aliased.
    template <class Sdf>
    void fill(Box box, Sdf sdf, Rgb colour, float opacity = 1) {
        forEach(box, [&](Vec2 p, Rgb& pixel) {
            float a = coverage(sdf(p)) * opacity;
            if (a > 0) pixel = mix(pixel, colour, a);
        });
    }

    // Adds light around the shape: full colour inside, fading with distance.
    template <class Sdf>
    void glow(Box box, Sdf sdf, Rgb colour, float radius) {
        forEach(box, [&](Vec2 p, Rgb& pixel) {
            float d = sdf(p);
            float a = d <= 0 ? 1.0f : std::exp(-d / radius);
            pixel = pixel + colour * a;
        });
    }

    // Blends colour in where the mask covers, the mask's corner at (x, y).
    void stamp(const Mask& mask, int x, int y, Rgb colour, float opacity = 1);
    // Adds colour scaled by the mask's coverage.
    void stampAdd(const Mask& mask, int x, int y, Rgb colour);
    // Blends in a colour that depends on the pixel: colourAt(x, y) in canvas coordinates.
    template <class ColourAt>
    void stampWith(const Mask& mask, int x, int y, ColourAt colourAt);

    void add(const Canvas& other, float scale = 1);
    // Every channel times factor.
    void scale(float factor);
    // The picture shrunk by a whole factor, averaging each factor x factor block.
    Canvas downsample(int factor) const;
    // A copy of the rectangle, which must lie inside the canvas.
    Canvas crop(Box box) const;
    // Pastes other with its corner at (x, y), clipped.
    void paste(const Canvas& other, int x, int y);

    // Bytes red, green, blue per pixel, rows top to bottom, rounded and clamped.
    std::vector<uint8_t> toRgb8() const;

private:
    Box clip(Box box) const;

    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// Rounds a channel to a byte, clamping to 0..255.
uint8_t toByte(float channel);

template <class ColourAt>
void Canvas::stampWith(const Mask& mask, int x, int y, ColourAt colourAt) {
    Box box = clip({x, y, x + mask.width(), y + mask.height()});
    for (int py = box.top; py < box.bottom; ++py)
        for (int px = box.left; px < box.right; ++px) {
            float a = mask.at(px - x, py - y);
            if (a > 0) at(px, py) = mix(at(px, py), colourAt(px, py), a);
        }
}
