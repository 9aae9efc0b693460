#include "support/texture_files.h"

#include <stdexcept>

#include "support/image_fixtures.h"
#include "support/picture_files.h"

namespace test_support {

void writeIndexedTga(const std::string& path, int width, int height, const std::vector<uint8_t>& indices,
                     const std::vector<uint32_t>& palette) {
    if (indices.size() != static_cast<size_t>(width) * height) throw std::invalid_argument("index count");
    if (palette.size() != 256) throw std::invalid_argument("palette size");
    std::vector<uint8_t> bytes = tgaHeader(1, width, height, 8);  // uncompressed, colour-mapped
    bytes[1] = 1;                                                 // a colour map is present
    bytes[5] = 0;                                                 // colour-map length 256, little-endian
    bytes[6] = 1;
    bytes[7] = 24;  // colour-map entry size
    for (uint32_t colour : palette) {
        bytes.push_back(static_cast<uint8_t>(colour));
        bytes.push_back(static_cast<uint8_t>(colour >> 8));
        bytes.push_back(static_cast<uint8_t>(colour >> 16));
    }
    bytes.insert(bytes.end(), indices.begin(), indices.end());
    writeFile(path, bytes);
}

std::vector<uint8_t> testTextureIndices() {
    std::vector<uint8_t> indices(256 * 256);
    for (int v = 0; v < 256; ++v) {
        for (int u = 0; u < 256; ++u) indices[v * 256 + u] = static_cast<uint8_t>((u + v) & 255);
    }
    return indices;
}

std::vector<uint32_t> testTexturePalette() {
    std::vector<uint32_t> palette(256);
    for (uint32_t i = 0; i < 256; ++i) palette[i] = (i << 16) | ((255 - i) << 8) | 0x40;
    return palette;
}

void writeTestTexture(const std::string& path) {
    writeIndexedTga(path, 256, 256, testTextureIndices(), testTexturePalette());
}

}  // namespace test_support
