// Copying rectangles of pixels between formats, with nearest-pixel scaling
// and clipping. Direct formats convert channel by channel through their
// masks; indexed sources go through their palette, and direct pixels written
// into an indexed picture take the nearest palette colour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/display/ptc_objects.h"

bool maskIsContiguous(uint32_t mask);

// Rescales a channel value of `from` bits to `to` bits: narrowing keeps the
// high bits, widening repeats the bit pattern so full intensity stays full
// (5-bit 31 becomes 8-bit 255).
uint32_t scaleChannel(uint32_t value, int from, int to);

struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct PixelSource {
    const uint8_t* pixels;
    int width;
    int height;
    ptrdiff_t pitch;
    const ptc_format_t* format;
    const uint32_t* palette;  // 256 entries; required when the format is indexed
};

struct PixelTarget {
    uint8_t* pixels;
    int width;
    int height;
    ptrdiff_t pitch;
    const ptc_format_t* format;
    const uint32_t* palette;  // 256 entries; required when the format is indexed
};

// Copies `from` of the source onto `to` of the target, scaling by nearest
// pixel (each target pixel samples the source at its centre) when the sizes
// differ. Target pixels outside the target, or whose sample falls outside the
// source, are left alone; empty or reversed rectangles copy nothing. The two
// pictures must not share memory.
void copyPixels(const PixelSource& source, PixelRect from, const PixelTarget& target, PixelRect to);
