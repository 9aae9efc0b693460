#include "Canvas.h"

#include <cmath>

uint8_t toByte(float channel) {
    float v = std::floor(channel * 255.0f + 0.5f);
    return static_cast<uint8_t>(std::min(255.0f, std::max(0.0f, v)));
}

Canvas::Canvas(int width, int height, Rgb background)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, background) {}

Box Canvas::clip(Box box) const {
    return {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, width_), std::min(box.bottom, height_)};
}

void Canvas::stamp(const Mask& mask, int x, int y, Rgb colour, float opacity) {
    Box box = clip({x, y, x + mask.width(), y + mask.height()});
    for (int py = box.top; py < box.bottom; ++py)
        for (int px = box.left; px < box.right; ++px) {
            float a = mask.at(px - x, py - y) * opacity;
            if (a > 0) at(px, py) = mix(at(px, py), colour, a);
        }
}

void Canvas::stampAdd(const Mask& mask, int x, int y, Rgb colour) {
    Box box = clip({x, y, x + mask.width(), y + mask.height()});
    for (int py = box.top; py < box.bottom; ++py)
        for (int px = box.left; px < box.right; ++px) at(px, py) = at(px, py) + colour * mask.at(px - x, py - y);
}

void Canvas::add(const Canvas& other, float scale) {
    for (size_t i = 0; i < pixels_.size() && i < other.pixels_.size(); ++i)
        pixels_[i] = pixels_[i] + other.pixels_[i] * scale;
}

void Canvas::scale(float factor) {
    for (Rgb& pixel : pixels_) pixel = pixel * factor;
}

Canvas Canvas::downsample(int factor) const {
    Canvas small(width_ / factor, height_ / factor);
    float weight = 1.0f / static_cast<float>(factor * factor);
    for (int y = 0; y < small.height_; ++y)
        for (int x = 0; x < small.width_; ++x) {
            Rgb sum;
            for (int sy = 0; sy < factor; ++sy)
                for (int sx = 0; sx < factor; ++sx) sum = sum + at(x * factor + sx, y * factor + sy);
            small.at(x, y) = sum * weight;
        }
    return small;
}

Canvas Canvas::crop(Box box) const {
    Canvas part(box.right - box.left, box.bottom - box.top);
    for (int y = 0; y < part.height_; ++y)
        for (int x = 0; x < part.width_; ++x) part.at(x, y) = at(box.left + x, box.top + y);
    return part;
}

void Canvas::paste(const Canvas& other, int x, int y) {
    Box box = clip({x, y, x + other.width_, y + other.height_});
    for (int py = box.top; py < box.bottom; ++py)
        for (int px = box.left; px < box.right; ++px) at(px, py) = other.at(px - x, py - y);
}

std::vector<uint8_t> Canvas::toRgb8() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(pixels_.size() * 3);
    for (const Rgb& pixel : pixels_) {
        bytes.push_back(toByte(pixel.r));
        bytes.push_back(toByte(pixel.g));
        bytes.push_back(toByte(pixel.b));
    }
    return bytes;
}
