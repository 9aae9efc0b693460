#include "image/TGAHandler.h"

#include <new>
#include <string>
#include <vector>

#include "image/BinaryFile.h"
#include "platform/display/DynamicError.h"

namespace {

constexpr const char* kFileMissing = "Vorla error - File does not exist";
constexpr const char* kUnexpectedEnd = "Vorla error - Unexpected end of file";
constexpr const char* kWriteFailed = "Vorla error - Cannot write TGA file";

constexpr int kOriginBottomLeft = 0;
constexpr int kOriginTopLeft = 2;
constexpr uint8_t kDescriptorTopLeft = 0x20;

int originOf(uint8_t descriptor) { return (descriptor & 0x30) >> 4; }

bool supportedEntrySize(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Widens a 5-bit channel so that 31 becomes 255.
int widen5(int value) { return (value << 3) | (value >> 2); }

// One colour-map entry as 0x00RRGGBB. 24- and 32-bit entries are blue, green,
// red (and an ignored fourth byte); 15- and 16-bit entries are little-endian
// words of 5 bits each for red, green and blue.
int32_t colourOf(const uint8_t* entry, int bits) {
    if (bits == 15 || bits == 16) {
        const int word = littleEndian16(entry);
        return widen5((word >> 10) & 31) * 65536 + widen5((word >> 5) & 31) * 256 + widen5(word & 31);
    }
    return entry[2] * 65536 + entry[1] * 256 + entry[0];
}

}  // namespace

TGAHeader TGAHeader::parse(const uint8_t (&bytes)[kSize]) {
    TGAHeader header{};
    header.idLength = bytes[0];
    header.colourMapType = bytes[1];
    header.imageType = bytes[2];
    header.firstEntry = littleEndian16(bytes + 3);
    header.colourMapLength = littleEndian16(bytes + 5);
    header.colourMapEntrySize = bytes[7];
    header.xOrigin = littleEndian16(bytes + 8);
    header.yOrigin = littleEndian16(bytes + 10);
    header.width = littleEndian16(bytes + 12);
    header.height = littleEndian16(bytes + 14);
    header.pixelDepth = bytes[16];
    header.descriptor = bytes[17];
    return header;
}

void TGAHeader::write(uint8_t (&bytes)[kSize]) const {
    bytes[0] = idLength;
    bytes[1] = colourMapType;
    bytes[2] = imageType;
    putLittleEndian16(bytes + 3, firstEntry);
    putLittleEndian16(bytes + 5, colourMapLength);
    bytes[7] = colourMapEntrySize;
    putLittleEndian16(bytes + 8, xOrigin);
    putLittleEndian16(bytes + 10, yOrigin);
    putLittleEndian16(bytes + 12, width);
    putLittleEndian16(bytes + 14, height);
    bytes[16] = pixelDepth;
    bytes[17] = descriptor;
}

TGAHandler::TGAHandler() : header{}, fileSize(-1), width(0), height(0), colourMapFlag(0) {}

TGAHandler::TGAHandler(const char* filename) : TGAHandler() {
    this->filename = filename ? filename : "";
    uint8_t bytes[TGAHeader::kSize] = {};
    {
        // A short file is judged on the bytes present; the rest stays zero.
        BinaryFile file(filename, "rb", kFileMissing);
        fileSize = file.size();
        file.read(bytes, sizeof bytes);
    }
    header = TGAHeader::parse(bytes);
    width = header.width;
    height = header.height;
    colourMapFlag = header.colourMapType;
    switch (header.pixelDepth) {
        case 8:
            format = DynamicFormat(8);
            break;
        case 15:
        case 16:
            format = DynamicFormat(16, 0x7c00, 0x03e0, 0x001f, 0);
            break;
        case 24:
            format = DynamicFormat(24, 0xff0000, 0x00ff00, 0x0000ff, 0);
            break;
        case 32:
            format = DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
            break;
        default:
            break;
    }
}

void TGAHandler::checkDecodable(bool readingColourMap) const {
    const int depth = header.pixelDepth;
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        throw DynamicError("Vorla error - TGA pixel depth " + std::to_string(depth) + " not supported");
    }
    checkImageSize(width, height);
    // The pixels follow the header, image ID and colour map uncompressed, so
    // a file too short to hold them all is refused before their array is
    // allocated.
    const long long pixelBytes = static_cast<long long>(width) * height * format.bytes();
    if (fileSize >= 0 && fileSize < header.pixelStart() + pixelBytes) throw DynamicError(kUnexpectedEnd);
    const int origin = originOf(header.descriptor);
    if (origin != kOriginBottomLeft && origin != kOriginTopLeft)
        throw DynamicError("Vorla error - Unknown orientation");
    if (readingColourMap && header.colourMapType && header.colourMapLength) {
        if (header.colourMapLength > 256) {
            throw DynamicError("Vorla error - TGA colour map of " + std::to_string(header.colourMapLength) +
                               " entries (at most 256)");
        }
        // Map entry k becomes palette entry first + k, so the map must end
        // inside the palette.
        const int lastEntry = header.firstEntry + header.colourMapLength - 1;
        if (lastEntry > 255) {
            throw DynamicError("Vorla error - TGA colour map entries " + std::to_string(header.firstEntry) + " to " +
                               std::to_string(lastEntry) + " (at most 255)");
        }
        if (!supportedEntrySize(header.colourMapEntrySize)) {
            throw DynamicError("Vorla error - TGA colour map entries of " + std::to_string(header.colourMapEntrySize) +
                               " bits not supported");
        }
    }
}

int TGAHandler::info(int& width, int& height, DynamicFormat& format, int& hasPalette) {
    checkDecodable(true);
    width = this->width;
    height = this->height;
    format = this->format;
    hasPalette = colourMapFlag;
    return 1;
}

int TGAHandler::load(void* pixels, DynamicPalette* palette) {
    BinaryFile file(filename.c_str(), "rb", kFileMissing);
    const bool hasColourMap = header.colourMapType && header.colourMapLength;
    if (palette && hasColourMap) {
        if (header.colourMapLength > 256) return 0;
        checkDecodable(true);
        readColourMap(file, *palette);
    }
    if (!pixels) throw DynamicError("Vorla error - no pixels to load image onto");
    checkDecodable(palette != nullptr);

    if (!file.seek(header.pixelStart(), SEEK_SET)) throw DynamicError(kUnexpectedEnd);
    const size_t rowLength = static_cast<size_t>(format.bytes()) * static_cast<size_t>(width);
    const bool bottomUp = originOf(header.descriptor) == kOriginBottomLeft;
    uint8_t* const rows = static_cast<uint8_t*>(pixels);
    for (int32_t i = 0; i < height; ++i) {
        const int32_t y = bottomUp ? height - 1 - i : i;
        if (file.read(rows + static_cast<size_t>(y) * rowLength, rowLength) != rowLength) {
            throw DynamicError(kUnexpectedEnd);
        }
    }
    if (hasColourMap && format.bytes() == 1) checkIndices(rows);
    return 1;
}

// Each index names a map entry: below the map's first entry or past its last
// there is no colour to show.
void TGAHandler::checkIndices(const uint8_t* indices) const {
    const int first = header.firstEntry;
    const int end = first + header.colourMapLength;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        if (indices[i] < first || indices[i] >= end) {
            throw DynamicError("Vorla error - TGA pixel index " + std::to_string(indices[i]) +
                               " outside the colour map (entries " + std::to_string(first) + " to " +
                               std::to_string(end - 1) + ")");
        }
    }
}

void TGAHandler::readColourMap(BinaryFile& file, DynamicPalette& palette) const {
    const int entrySize = header.colourMapEntrySize;
    const size_t entryBytes = static_cast<size_t>(header.colourMapEntryBytes());
    std::vector<uint8_t> map;
    try {
        map.resize(static_cast<size_t>(header.colourMapLength) * entryBytes);
    } catch (const std::bad_alloc&) {
        throw DynamicError("Vorla error - Could not allocate a palette");
    }
    if (!file.seek(TGAHeader::kSize + long{header.idLength}, SEEK_SET) ||
        file.read(map.data(), map.size()) != map.size()) {
        throw DynamicError(kUnexpectedEnd);
    }
    // Pixel index i takes map entry i - first, so map entry k goes to palette
    // entry first + k; entries the map does not reach are black.
    int32_t entries[256] = {};
    for (size_t k = 0; k < header.colourMapLength; ++k) {
        entries[header.firstEntry + k] = colourOf(&map[k * entryBytes], entrySize);
    }
    palette.load(entries);
}

int TGAHandler::save(const char* filename, int width, int height, const DynamicFormat* format,
                     const DynamicPalette* palette, const void* pixels, const TGASaveOptions* options) {
    if (options && options->compressed == 1) throw DynamicError("Vorla error - Cannot save compressed TGA files");
    if (!format || format->bytes() < 1 || format->bytes() > 4) {
        throw DynamicError("Vorla error - Cannot save this pixel format as TGA");
    }
    // The header holds each side in 16 bits; a larger side would describe
    // pixels other than those written.
    if (width < 1 || height < 1 || width > 0xffff || height > 0xffff) {
        throw DynamicError("Vorla error - Cannot save an image of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels as TGA");
    }
    if (!pixels) throw DynamicError("Vorla error - no pixels to save");
    const bool withColourMap = format->bytes() == 1;
    if (withColourMap && !palette) throw DynamicError("Vorla error - no palette to save with an 8-bit image");

    this->filename = filename ? filename : "";
    this->width = width;
    this->height = height;
    this->format = *format;
    colourMapFlag = withColourMap ? 1 : 0;

    BinaryFile file(filename, "wb", "Vorla error - Cannot create TGA file");
    TGAHeader written{};
    written.colourMapType = colourMapFlag;
    written.imageType = withColourMap ? 1 : 2;
    written.colourMapLength = withColourMap ? 256 : 0;
    written.colourMapEntrySize = withColourMap ? 24 : 0;
    written.width = static_cast<uint16_t>(width);
    written.height = static_cast<uint16_t>(height);
    written.pixelDepth = static_cast<uint8_t>(format->bits() & 0xff);
    written.descriptor = kDescriptorTopLeft;
    uint8_t bytes[TGAHeader::kSize];
    written.write(bytes);
    file.write(bytes, sizeof bytes, kWriteFailed);
    header = written;

    if (withColourMap) {
        DynamicPalette colours(*palette);
        const int32_t* entries = colours.lock();
        uint8_t map[256 * 3];
        for (int i = 0; i < 256; ++i) {
            map[i * 3] = static_cast<uint8_t>(entries[i] & 0xff);
            map[i * 3 + 1] = static_cast<uint8_t>((entries[i] >> 8) & 0xff);
            map[i * 3 + 2] = static_cast<uint8_t>((entries[i] >> 16) & 0xff);
        }
        colours.unlock();
        file.write(map, sizeof map, kWriteFailed);
    }
    const size_t pixelBytes = static_cast<size_t>(format->bytes()) * static_cast<size_t>(width) * height;
    file.write(pixels, pixelBytes, kWriteFailed);
    file.close(kWriteFailed);
    return 0;
}

int TGAHandler::valid() { return header.imageType == 1 || header.imageType == 2 ? 1 : 0; }
