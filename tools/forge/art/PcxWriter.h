// Run-length encoded PCX files (version 5): 8-bit with a 256-colour palette
// at the end, or 24-bit as three colour planes per scan line.
#pragma once

#include <cstdint>
#include <vector>

#include "Quantise.h"

std::vector<uint8_t> encodePcx8(const IndexedPicture& picture);
// rgb: bytes red, green, blue per pixel, rows top to bottom.
std::vector<uint8_t> encodePcx24(int width, int height, const std::vector<uint8_t>& rgb);
