// Uncompressed TGA files: colour-mapped 8-bit, or true colour in 16, 24 or 32
// bits, with rows stored bottom-up or top-down and an optional image ID.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Quantise.h"

struct TgaLayout {
    bool bottomUp = false;
    // Text stored after the header; readers skip it. Its length must not be
    // 10, which would make the file's first byte look like a PCX signature.
    std::string imageId;
};

std::vector<uint8_t> encodeTga8(const IndexedPicture& picture, const TgaLayout& layout);
// bitsPerPixel 16 (5-5-5), 24 or 32 (alpha fully opaque).
std::vector<uint8_t> encodeTgaTrueColour(const Canvas& picture, int bitsPerPixel, const TgaLayout& layout);
