#include "TgaWriter.h"

#include <stdexcept>

namespace {

void put16(std::vector<uint8_t>& out, size_t at, int value) {
    out[at] = static_cast<uint8_t>(value & 255);
    out[at + 1] = static_cast<uint8_t>((value >> 8) & 255);
}

std::vector<uint8_t> header(int width, int height, bool mapped, int bitsPerPixel, const TgaLayout& layout) {
    if (layout.imageId.size() > 255 || layout.imageId.size() == 10)
        throw std::runtime_error("TGA image ID of unusable length");
    std::vector<uint8_t> out(18, 0);
    out[0] = static_cast<uint8_t>(layout.imageId.size());
    out[1] = mapped ? 1 : 0;
    out[2] = mapped ? 1 : 2;
    if (mapped) {
        put16(out, 5, 256);
        out[7] = 24;
    }
    put16(out, 12, width);
    put16(out, 14, height);
    out[16] = static_cast<uint8_t>(bitsPerPixel);
    // Bit 5: rows from the top; low bits: alpha bits per pixel.
    out[17] = static_cast<uint8_t>((layout.bottomUp ? 0 : 0x20) | (bitsPerPixel == 32 ? 8 : 0));
    for (char c : layout.imageId) out.push_back(static_cast<uint8_t>(c));
    return out;
}

int fileRow(int row, int height, const TgaLayout& layout) { return layout.bottomUp ? height - 1 - row : row; }

}  // namespace

std::vector<uint8_t> encodeTga8(const IndexedPicture& picture, const TgaLayout& layout) {
    std::vector<uint8_t> out = header(picture.width, picture.height, true, 8, layout);
    for (uint32_t entry : picture.palette) {
        out.push_back(static_cast<uint8_t>(entry));
        out.push_back(static_cast<uint8_t>(entry >> 8));
        out.push_back(static_cast<uint8_t>(entry >> 16));
    }
    for (int row = 0; row < picture.height; ++row) {
        int y = fileRow(row, picture.height, layout);
        auto begin = picture.indices.begin() + static_cast<std::ptrdiff_t>(y) * picture.width;
        out.insert(out.end(), begin, begin + picture.width);
    }
    return out;
}

std::vector<uint8_t> encodeTgaTrueColour(const Canvas& picture, int bitsPerPixel, const TgaLayout& layout) {
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::runtime_error("TGA depth must be 16, 24 or 32");
    std::vector<uint8_t> out = header(picture.width(), picture.height(), false, bitsPerPixel, layout);
    std::vector<uint8_t> rgb = picture.toRgb8();
    for (int row = 0; row < picture.height(); ++row) {
        int y = fileRow(row, picture.height(), layout);
        for (int x = 0; x < picture.width(); ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * picture.width() + x) * 3];
            if (bitsPerPixel == 16) {
                // Nearest 5-bit level of each channel.
                auto five = [](uint8_t v) { return static_cast<unsigned>((v * 31 + 127) / 255); };
                unsigned word = five(p[0]) << 10 | five(p[1]) << 5 | five(p[2]);
                out.push_back(static_cast<uint8_t>(word & 255));
                out.push_back(static_cast<uint8_t>(word >> 8));
                continue;
            }
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (bitsPerPixel == 32) out.push_back(255);
        }
    }
    return out;
}
