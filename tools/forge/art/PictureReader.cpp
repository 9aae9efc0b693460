#include "PictureReader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

struct Bytes {
    std::vector<uint8_t> data;
    std::string path;
    uint8_t at(size_t i) const {
        if (i >= data.size()) throw std::runtime_error(path + ": truncated");
        return data[i];
    }
    int u16(size_t i) const { return at(i) | at(i + 1) << 8; }
};

Rgb fromBytes(uint8_t r, uint8_t g, uint8_t b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

Canvas readPcx(const Bytes& file) {
    int width = file.u16(8) - file.u16(4) + 1, height = file.u16(10) - file.u16(6) + 1;
    int planes = file.at(65), bytesPerLine = file.u16(66);
    if (width <= 0 || height <= 0 || (planes != 1 && planes != 3) || bytesPerLine < width)
        throw std::runtime_error(file.path + ": unsupported PCX");
    Canvas picture(width, height);
    std::vector<uint8_t> line(static_cast<size_t>(bytesPerLine) * planes);
    size_t pos = 128;
    size_t paletteAt = file.data.size() - 768;
    for (int y = 0; y < height; ++y) {
        size_t stored = 0;
        while (stored < line.size()) {
            uint8_t b = file.at(pos++);
            int count = 1;
            if (b >= 0xC0) {
                count = b & 0x3F;
                b = file.at(pos++);
            }
            for (int i = 0; i < count && stored < line.size(); ++i) line[stored++] = b;
        }
        for (int x = 0; x < width; ++x) {
            if (planes == 3) {
                picture.at(x, y) = fromBytes(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
            } else {
                size_t entry = paletteAt + line[x] * 3;
                picture.at(x, y) = fromBytes(file.at(entry), file.at(entry + 1), file.at(entry + 2));
            }
        }
    }
    return picture;
}

Canvas readTga(const Bytes& file) {
    int mapType = file.at(1), type = file.at(2), mapLength = file.u16(5), mapBits = file.at(7);
    int width = file.u16(12), height = file.u16(14), depth = file.at(16);
    bool topDown = (file.at(17) & 0x20) != 0;
    if ((type != 1 && type != 2) || width <= 0 || height <= 0)
        throw std::runtime_error(file.path + ": unsupported TGA");
    size_t mapAt = 18 + file.at(0);
    size_t pixelsAt = mapAt + (mapType ? static_cast<size_t>(mapLength) * mapBits / 8 : 0);
    int bytesPerPixel = (depth + 7) / 8;
    Canvas picture(width, height);
    for (int row = 0; row < height; ++row) {
        int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            size_t p = pixelsAt + (static_cast<size_t>(row) * width + x) * bytesPerPixel;
            Rgb colour;
            if (depth == 8) {
                size_t entry = mapAt + file.at(p) * 3;
                colour = fromBytes(file.at(entry + 2), file.at(entry + 1), file.at(entry));
            } else if (depth == 16) {
                int word = file.u16(p);
                colour = {((word >> 10) & 31) / 31.0f, ((word >> 5) & 31) / 31.0f, (word & 31) / 31.0f};
            } else {
                colour = fromBytes(file.at(p + 2), file.at(p + 1), file.at(p));
            }
            picture.at(x, y) = colour;
        }
    }
    return picture;
}

}  // namespace

Canvas readPicture(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    Bytes file{std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), path};
    return file.at(0) == 10 ? readPcx(file) : readTga(file);
}
