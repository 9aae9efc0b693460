// The reader and writer of one picture file format. A handler made from a
// file name reads the file's header at once; load re-opens the file to read
// the palette and the pixels into arrays the caller provides.
#pragma once

#include "image/TGASaveOptions.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicPalette.h"

// The largest width or height any reader accepts. It keeps a damaged header
// from asking for gigabytes before a single pixel has been read.
constexpr int kMaxImageSide = 16384;

// Throws DynamicError unless width and height both lie in 1 to kMaxImageSide.
void checkImageSize(int width, int height);

class ImageHandler {
public:
    ImageHandler() = default;
    ImageHandler(const ImageHandler&) = delete;
    ImageHandler& operator=(const ImageHandler&) = delete;
    virtual ~ImageHandler() = default;

    // Reports what the header says; returns 1. Throws DynamicError when the
    // header describes a picture the handler cannot decode.
    virtual int info(int& width, int& height, DynamicFormat& format, int& hasPalette) = 0;
    // Reads the palette (when the file has one) and width x height x bytes per
    // pixel bytes of pixels, rows top to bottom. Returns 1, or 0 when the file
    // was refused without reading anything.
    virtual int load(void* pixels, DynamicPalette* palette) = 0;
    virtual int save(const char* filename, int width, int height, const DynamicFormat* format,
                     const DynamicPalette* palette, const void* pixels, const TGASaveOptions* options) = 0;
    // 1 if the header read by the constructor belongs to the handler's format.
    virtual int valid() = 0;
};
