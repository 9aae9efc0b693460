#include "Mask.h"

#include <algorithm>
#include <cmath>

#include "Geometry.h"

Mask Mask::padded(int border) const {
    Mask out(width_ + 2 * border, height_ + 2 * border);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) out.at(x + border, y + border) = at(x, y);
    return out;
}

// One box blur along rows (horizontal) or columns, zero beyond the edges.
static void boxBlur(std::vector<float>& values, int width, int height, int radius, bool horizontal) {
    int lines = horizontal ? height : width;
    int length = horizontal ? width : height;
    std::vector<float> line(length);
    float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        auto index = [&](int i) {
            return horizontal ? static_cast<size_t>(l) * width + i : static_cast<size_t>(i) * width + l;
        };
        for (int i = 0; i < length; ++i) line[i] = values[index(i)];
        float sum = 0;
        for (int i = 0; i <= radius && i < length; ++i) sum += line[i];
        for (int i = 0; i < length; ++i) {
            values[index(i)] = sum * norm;
            int enter = i + radius + 1, leave = i - radius;
            if (enter < length) sum += line[enter];
            if (leave >= 0) sum -= line[leave];
        }
    }
}

Mask Mask::blurred(int radius) const {
    Mask out = *this;
    if (radius <= 0) return out;
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(out.values_, width_, height_, radius, true);
        boxBlur(out.values_, width_, height_, radius, false);
    }
    return out;
}

Mask Mask::dilated(int radius) const {
    Mask out(width_, height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    // Partial weight at the disc's rim keeps the grown edge smooth.
                    float rim = clamp01(radius + 0.5f - std::sqrt(static_cast<float>(dx * dx + dy * dy)));
                    if (rim > 0) best = std::max(best, sample(x + dx, y + dy) * rim);
                }
            out.at(x, y) = best;
        }
    return out;
}

Mask Mask::scaled(float factor) const {
    Mask out = *this;
    for (float& v : out.values_) v = std::min(1.0f, v * factor);
    return out;
}

Mask Mask::threshold(float lo, float hi) const {
    Mask out = *this;
    for (float& v : out.values_) v = smoothstep(lo, hi, v);
    return out;
}

void Mask::unite(const Mask& other, int dx, int dy) {
    for (int y = 0; y < other.height_; ++y)
        for (int x = 0; x < other.width_; ++x) {
            int tx = x + dx, ty = y + dy;
            if (tx >= 0 && ty >= 0 && tx < width_ && ty < height_) at(tx, ty) = std::max(at(tx, ty), other.at(x, y));
        }
}
