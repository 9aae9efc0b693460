// Writes pictures of 32-bit words as PNG files: 0x00RRGGBB frames as RGB, or
// 0xAARRGGBB pictures (straight alpha) as RGBA.
#pragma once

#include <cstdint>
#include <string>

// Which row filters libpng may choose from: all of them (its default), none,
// or only those taking the pixel to the left or above, which turn the
// repeated pixels and rows of a magnified frame into runs of zeros.
enum class RowFilters { All, None, LeftAndAbove };

// How hard zlib works. Pictures written once can take level 9; runs of
// frames want speed: level 1 on unfiltered rows, matching only runs of one
// byte, packs the show's frames in about a third of the time of level 3 with
// row filters, in files 11% larger.
struct PngCompression {
    PngCompression(int level = 3, RowFilters filters = RowFilters::All, bool runsOnly = false)
        : level(level), filters(filters), runsOnly(runsOnly) {}
    int level;
    RowFilters filters;
    bool runsOnly;
};

// Throws std::runtime_error naming the file and the reason when it cannot be
// written. Rows top to bottom without gaps.
void writePng(const std::string& path, const uint32_t* pixels, int width, int height, bool withAlpha = false,
              PngCompression compression = {});
