#include "support/texture_files.h"

#include <cstdio>
#include <stdexcept>

namespace test_support {

void writeIndexedTga(const std::string& path, int width, int height, const std::vector<uint8_t>& indices,
                     const std::vector<uint32_t>& palette) {
    if (indices.size() != static_cast<size_t>(width) * height) throw std::invalid_argument("index count");
    if (palette.size() != 256) throw std::invalid_argument("palette size");
    std::vector<uint8_t> bytes(18, 0);
    bytes[1] = 1;  // a colour map is present
    bytes[2] = 1;  // uncompressed, colour-mapped
    bytes[5] = 0;  // colour-map length 256, little-endian
    bytes[6] = 1;
    bytes[7] = 24;  // colour-map entry size
    bytes[12] = static_cast<uint8_t>(width & 0xff);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height & 0xff);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = 8;
    bytes[17] = 0x20;  // top-left origin
    for (uint32_t colour : palette) {
        bytes.push_back(static_cast<uint8_t>(colour));
        bytes.push_back(static_cast<uint8_t>(colour >> 8));
        bytes.push_back(static_cast<uint8_t>(colour >> 16));
    }
    bytes.insert(bytes.end(), indices.begin(), indices.end());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    const bool closed = std::fclose(file) == 0;
    if (written != bytes.size() || !closed) throw std::runtime_error("cannot write " + path);
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
