// Indexed (colour-mapped) TGA pictures written by the tests themselves, for
// effects that need an 8-bit texture with a palette.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// Writes an uncompressed, top-down, colour-mapped TGA file with a 256-entry
// 24-bit colour map. indices holds width x height palette indices, rows top
// to bottom; palette holds 256 values 0x00RRGGBB.
void writeIndexedTga(const std::string& path, int width, int height, const std::vector<uint8_t>& indices,
                     const std::vector<uint32_t>& palette);

// A 256 x 256 texture whose texel (column u, row v) is index (u + v) & 255,
// with a palette that is distinct per index and never black.
void writeTestTexture(const std::string& path);
std::vector<uint8_t> testTextureIndices();
std::vector<uint32_t> testTexturePalette();

}  // namespace test_support
