// A coverage map (0 empty to 1 covered), as text comes from the font; grown,
// blurred and combined to make outlines and glows.
#pragma once

#include <cstddef>
#include <vector>

class Mask {
public:
    Mask() : Mask(0, 0) {}
    Mask(int width, int height) : width_(width), height_(height), values_(static_cast<std::size_t>(width) * height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    float& at(int x, int y) { return values_[static_cast<std::size_t>(y) * width_ + x]; }
    float at(int x, int y) const { return values_[static_cast<std::size_t>(y) * width_ + x]; }
    // Zero outside the mask.
    float sample(int x, int y) const { return x < 0 || y < 0 || x >= width_ || y >= height_ ? 0.0f : at(x, y); }

    // The same mask with a border of the given width on every side.
    Mask padded(int border) const;
    // A soft copy: three box blurs of the given radius, close to a gaussian.
    Mask blurred(int radius) const;
    // Grown by radius pixels: each value the largest within a disc.
    Mask dilated(int radius) const;
    // Each value times factor, limited to 1.
    Mask scaled(float factor) const;
    // Covers where the other mask's value lies in the band from lo to hi,
    // as a smooth step: turns a blurred shape into a soft-edged outline.
    Mask threshold(float lo, float hi) const;
    // Where this mask or the other (placed at dx, dy) covers.
    void unite(const Mask& other, int dx, int dy);

private:
    int width_;
    int height_;
    std::vector<float> values_;
};
