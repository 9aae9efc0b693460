#include "image/PCXHandler.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "image/BinaryFile.h"
#include "platform/display/DynamicError.h"

namespace {

constexpr const char* kFileMissing = "Vorla error - File does not exist";
constexpr const char* kUnexpectedEnd = "Vorla error - Unexpected end of file";

constexpr int kPaletteMarker = 12;
constexpr long kPaletteBytes = 256 * 3;

// Bytes of the file handed out one at a time from a large buffer, so that the
// run-length decoder pays for a library call only once per chunk.
class ByteSource {
public:
    explicit ByteSource(BinaryFile& file) : file(file), chunk(64 * 1024) {}

    // The next byte, or -1 at the end of the file.
    int next() {
        if (position == filled) {
            filled = file.read(chunk.data(), chunk.size());
            position = 0;
            if (filled == 0) return -1;
        }
        return chunk[position++];
    }

private:
    BinaryFile& file;
    std::vector<uint8_t> chunk;
    size_t position = 0;
    size_t filled = 0;
};

// Fills one scan line of run-length data. A byte above 0xC0 repeats the next
// byte (byte - 0xC0) times; any other byte, 0xC0 included, stands for itself.
// Runs may cross from one plane into the next; what would overflow the line is
// dropped, and the next line starts with a fresh byte.
void decodeScanLine(ByteSource& source, uint8_t* line, size_t length) {
    size_t stored = 0;
    while (stored < length) {
        const int byte = source.next();
        if (byte < 0) throw DynamicError(kUnexpectedEnd);
        if (byte > 0xC0) {
            const int value = source.next();
            if (value < 0) throw DynamicError(kUnexpectedEnd);
            const size_t count = std::min<size_t>(static_cast<size_t>(byte - 0xC0), length - stored);
            std::memset(line + stored, value, count);
            stored += count;
        } else {
            line[stored++] = static_cast<uint8_t>(byte);
        }
    }
}

}  // namespace

PCXHeader PCXHeader::parse(const uint8_t (&bytes)[kSize]) {
    PCXHeader header{};
    header.manufacturer = bytes[0];
    header.version = bytes[1];
    header.encoding = bytes[2];
    header.bitsPerPixel = bytes[3];
    header.xmin = littleEndian16(bytes + 4);
    header.ymin = littleEndian16(bytes + 6);
    header.xmax = littleEndian16(bytes + 8);
    header.ymax = littleEndian16(bytes + 10);
    header.planes = bytes[65];
    header.bytesPerLine = littleEndian16(bytes + 66);
    return header;
}

PCXHandler::PCXHandler() : header{}, fileSize(-1), width(0), height(0), indexed(0) {}

PCXHandler::PCXHandler(const char* filename) : PCXHandler() {
    this->filename = filename ? filename : "";
    uint8_t bytes[PCXHeader::kSize] = {};
    {
        // A short file is judged on the bytes present; the rest stays zero.
        BinaryFile file(filename, "rb", kFileMissing);
        fileSize = file.size();
        file.read(bytes, sizeof bytes);
    }
    header = PCXHeader::parse(bytes);
    width = int32_t{header.xmax} - int32_t{header.xmin} + 1;
    height = int32_t{header.ymax} - int32_t{header.ymin} + 1;
    if (header.planes == 1) {
        indexed = 1;
        format = DynamicFormat(8);
    } else if (header.planes == 3) {
        format = DynamicFormat(24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    }
}

void PCXHandler::checkDecodable() const {
    if (header.planes != 1 && header.planes != 3) {
        throw DynamicError("Vorla error - PCX file with " + std::to_string(header.planes) +
                           " planes not supported (1 or 3 expected)");
    }
    if (header.xmax < header.xmin || header.ymax < header.ymin) {
        throw DynamicError("Vorla error - PCX header has its maximum below its minimum coordinate");
    }
    checkImageSize(width, height);
    // Each plane of a scan line must hold a byte for every pixel; fewer bytes
    // mean fewer than 8 bits per pixel or a damaged header.
    if (header.bytesPerLine < width) {
        throw DynamicError("Vorla error - PCX bytes per line (" + std::to_string(header.bytesPerLine) +
                           ") smaller than the width (" + std::to_string(width) + ")");
    }
    // A run yields at most 63 bytes and stops at the end of its scan line, so
    // a file too short to hold even the tightest encoding of every line is
    // refused before its pixel array is allocated.
    const long lineLength = long{header.bytesPerLine} * header.planes;
    const long leastData = long{height} * ((lineLength + 62) / 63);
    if (fileSize >= 0 && fileSize - PCXHeader::kSize < leastData) throw DynamicError(kUnexpectedEnd);
}

int PCXHandler::info(int& width, int& height, DynamicFormat& format, int& hasPalette) {
    checkDecodable();
    width = this->width;
    height = this->height;
    format = this->format;
    hasPalette = indexed;
    return 1;
}

int PCXHandler::load(void* pixels, DynamicPalette* palette) {
    if (!pixels) throw DynamicError("Vorla error - no pixels to load image onto");
    BinaryFile file(filename.c_str(), "rb", kFileMissing);
    checkDecodable();
    if (indexed && palette) readPalette(file, *palette);
    if (!file.seek(PCXHeader::kSize, SEEK_SET)) throw DynamicError(kUnexpectedEnd);
    decodePixels(file, static_cast<uint8_t*>(pixels));
    return 1;
}

void PCXHandler::readPalette(BinaryFile& file, DynamicPalette& palette) const {
    // The palette is the last 769 bytes: a marker byte, then red, green, blue
    // for each of 256 entries.
    uint8_t marker = 0;
    if (!file.seek(-(kPaletteBytes + 1), SEEK_END) || file.read(&marker, 1) != 1 || marker != kPaletteMarker) {
        throw DynamicError("Vorla error - no palette in 8-bit .PCX file");
    }
    uint8_t bytes[kPaletteBytes];
    if (file.read(bytes, sizeof bytes) != sizeof bytes) throw DynamicError(kUnexpectedEnd);
    int32_t entries[256];
    for (int i = 0; i < 256; ++i) {
        entries[i] = bytes[i * 3] * 65536 + bytes[i * 3 + 1] * 256 + bytes[i * 3 + 2];
    }
    palette.load(entries);
}

void PCXHandler::decodePixels(BinaryFile& file, uint8_t* pixels) const {
    const size_t bytesPerLine = header.bytesPerLine;
    const size_t lineLength = bytesPerLine * header.planes;
    const size_t rowLength = static_cast<size_t>(format.bytes()) * static_cast<size_t>(width);
    std::vector<uint8_t> line(lineLength, 0);
    ByteSource source(file);
    for (int32_t y = 0; y < height; ++y) {
        decodeScanLine(source, line.data(), lineLength);
        uint8_t* row = pixels + static_cast<size_t>(y) * rowLength;
        if (header.planes == 3) {
            const uint8_t* red = line.data();
            const uint8_t* green = red + bytesPerLine;
            const uint8_t* blue = green + bytesPerLine;
            for (int32_t x = 0; x < width; ++x) {
                row[x * 3] = blue[x];
                row[x * 3 + 1] = green[x];
                row[x * 3 + 2] = red[x];
            }
        } else {
            std::memcpy(row, line.data(), rowLength);
        }
    }
}

int PCXHandler::save(const char*, int, int, const DynamicFormat*, const DynamicPalette*, const void*,
                     const TGASaveOptions*) {
    throw DynamicError("Vorla error - PCX save not available");
}

int PCXHandler::valid() { return header.manufacturer == 10 ? 1 : 0; }
