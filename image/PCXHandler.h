// Reader for run-length encoded PCX files: one plane of 8-bit palette indices
// with a 256-colour palette at the end of the file, or three planes of 8-bit
// red, green and blue. It cannot save.
#pragma once

#include <cstdint>
#include <string>

#include "image/ImageHandler.h"

class BinaryFile;

// The 128-byte file header, decoded from its little-endian bytes.
struct PCXHeader {
    static constexpr int kSize = 128;

    uint8_t manufacturer;  // 10 for every PCX file
    uint8_t version;
    uint8_t encoding;
    uint8_t bitsPerPixel;  // per plane
    uint16_t xmin;
    uint16_t ymin;
    uint16_t xmax;
    uint16_t ymax;
    uint8_t planes;
    uint16_t bytesPerLine;  // one plane of one scan line

    static PCXHeader parse(const uint8_t (&bytes)[kSize]);
};

class PCXHandler : public ImageHandler {
public:
    // Reads the header of the named file. Throws "Vorla error - File does not
    // exist" when the file cannot be opened for update.
    explicit PCXHandler(const char* filename);
    // No file; such a handler only refuses to save.
    PCXHandler();

    int info(int& width, int& height, DynamicFormat& format, int& hasPalette) override;
    int load(void* pixels, DynamicPalette* palette) override;
    int save(const char* filename, int width, int height, const DynamicFormat* format, const DynamicPalette* palette,
             const void* pixels, const TGASaveOptions* options) override;
    int valid() override;

private:
    // Throws when the header describes a picture this reader cannot decode
    // into width x height pixels of its format.
    void checkDecodable() const;
    void readPalette(BinaryFile& file, DynamicPalette& palette) const;
    void decodePixels(BinaryFile& file, uint8_t* pixels) const;

    std::string filename;
    PCXHeader header;
    long fileSize;  // bytes, or -1 when unknown
    int32_t width;
    int32_t height;
    int32_t indexed;
    DynamicFormat format;
};
