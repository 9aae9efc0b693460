// Reader and writer of uncompressed TGA files: colour-mapped (image type 1)
// and true-colour (image type 2) pictures of 8, 15, 16, 24 or 32 bits per
// pixel, stored bottom-up or top-down.
#pragma once

#include <cstdint>
#include <string>

#include "image/ImageHandler.h"

class BinaryFile;

// The 18-byte file header, decoded from its little-endian bytes.
struct TGAHeader {
    static constexpr int kSize = 18;

    uint8_t idLength;
    uint8_t colourMapType;  // nonzero when a colour map follows the image ID
    uint8_t imageType;      // 1 colour-mapped, 2 true-colour
    uint16_t firstEntry;    // the palette index of the colour map's first entry
    uint16_t colourMapLength;
    uint8_t colourMapEntrySize;  // bits per colour-map entry
    uint16_t xOrigin;
    uint16_t yOrigin;
    uint16_t width;
    uint16_t height;
    uint8_t pixelDepth;
    uint8_t descriptor;  // bits 4 and 5: the corner of the first pixel

    static TGAHeader parse(const uint8_t (&bytes)[kSize]);
    void write(uint8_t (&bytes)[kSize]) const;
    // Each colour-map entry fills whole bytes: a 15-bit entry takes two.
    long colourMapEntryBytes() const { return (long{colourMapEntrySize} + 7) / 8; }
    // Bytes of colour map between the image ID and the pixels.
    long colourMapBytes() const { return colourMapType ? long{colourMapLength} * colourMapEntryBytes() : 0; }
    // Offset of the first pixel.
    long pixelStart() const { return kSize + long{idLength} + colourMapBytes(); }
};

class TGAHandler : public ImageHandler {
public:
    // Reads the header of the named file. Throws "Vorla error - File does not
    // exist" when the file cannot be opened for update.
    explicit TGAHandler(const char* filename);
    // No file; used for saving.
    TGAHandler();

    int info(int& width, int& height, DynamicFormat& format, int& hasPalette) override;
    // Returns 0 without reading anything when the colour map has more than
    // 256 entries.
    int load(void* pixels, DynamicPalette* palette) override;
    // Writes an uncompressed top-down file; returns 0.
    int save(const char* filename, int width, int height, const DynamicFormat* format, const DynamicPalette* palette,
             const void* pixels, const TGASaveOptions* options) override;
    int valid() override;

private:
    // Throws when the header describes a picture this reader cannot decode or
    // more pixels than the file holds; the colour map is judged only when it
    // is to be read.
    void checkDecodable(bool readingColourMap) const;
    void readColourMap(BinaryFile& file, DynamicPalette& palette) const;
    // Throws when an 8-bit pixel names no entry of the colour map.
    void checkIndices(const uint8_t* indices) const;

    std::string filename;
    TGAHeader header;
    long fileSize;  // bytes, or -1 when unknown
    int32_t width;
    int32_t height;
    DynamicFormat format;
    uint8_t colourMapFlag;
};
