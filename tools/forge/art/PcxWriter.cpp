#include "PcxWriter.h"

namespace {

void put16(std::vector<uint8_t>& out, size_t at, int value) {
    out[at] = static_cast<uint8_t>(value & 255);
    out[at + 1] = static_cast<uint8_t>((value >> 8) & 255);
}

std::vector<uint8_t> header(int width, int height, int planes, int bytesPerLine) {
    std::vector<uint8_t> out(128, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version: 256-colour palette or true colour
    out[2] = 1;   // run-length encoding
    out[3] = 8;   // bits per pixel in each plane
    put16(out, 8, width - 1);
    put16(out, 10, height - 1);
    put16(out, 12, 72);
    put16(out, 14, 72);
    out[65] = static_cast<uint8_t>(planes);
    put16(out, 66, bytesPerLine);
    put16(out, 68, 1);  // palette information: colour
    return out;
}

// One plane of one scan line. Runs are at most 63 long and never cross the
// line; a byte of 0xC0 or more always goes as a run, even of one, since a
// lone such byte would read as a run count.
void encodeLine(std::vector<uint8_t>& out, const uint8_t* line, int length) {
    int i = 0;
    while (i < length) {
        uint8_t value = line[i];
        int run = 1;
        while (i + run < length && run < 63 && line[i + run] == value) ++run;
        if (run > 1 || value >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(value);
        i += run;
    }
}

int bytesPerLineFor(int width) { return width + (width & 1); }  // kept even

}  // namespace

std::vector<uint8_t> encodePcx8(const IndexedPicture& picture) {
    int bytesPerLine = bytesPerLineFor(picture.width);
    std::vector<uint8_t> out = header(picture.width, picture.height, 1, bytesPerLine);
    std::vector<uint8_t> line(bytesPerLine, 0);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) line[x] = picture.indices[static_cast<size_t>(y) * picture.width + x];
        encodeLine(out, line.data(), bytesPerLine);
    }
    out.push_back(12);
    for (uint32_t entry : picture.palette) {
        out.push_back(static_cast<uint8_t>(entry >> 16));
        out.push_back(static_cast<uint8_t>(entry >> 8));
        out.push_back(static_cast<uint8_t>(entry));
    }
    return out;
}

std::vector<uint8_t> encodePcx24(int width, int height, const std::vector<uint8_t>& rgb) {
    int bytesPerLine = bytesPerLineFor(width);
    std::vector<uint8_t> out = header(width, height, 3, bytesPerLine);
    std::vector<uint8_t> plane(bytesPerLine, 0);
    for (int y = 0; y < height; ++y)
        for (int channel = 0; channel < 3; ++channel) {
            for (int x = 0; x < width; ++x) plane[x] = rgb[(static_cast<size_t>(y) * width + x) * 3 + channel];
            encodeLine(out, plane.data(), bytesPerLine);
        }
    return out;
}
