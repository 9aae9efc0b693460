// Reduces a painted picture to at most 256 colours: a palette chosen for the
// picture by median cut refined with a few k-means rounds, then each pixel
// mapped to its nearest palette colour, with ordered dithering if asked.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "Canvas.h"

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;         // one per pixel, rows top to bottom
    std::array<uint32_t, 256> palette{};  // 0xRRGGBB; unused entries black
};

struct QuantiseOptions {
    int colours = 256;
    // Strength of the 8 x 8 Bayer dither in steps of 1/255; 0 for none.
    float dither = 0;
};

// Entry 0 of the palette is always pure black, and pixels that round to pure
// black always get index 0 (never dithered), so black stays transparent for
// pictures drawn with black as their see-through colour.
IndexedPicture quantise(const Canvas& picture, const QuantiseOptions& options);
