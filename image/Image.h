// A picture read from a PCX or TGA file: pixel array, size, pixel format and
// palette, and the format handler that read it. The image does no pixel
// conversion of its own: copy hands the pixels to a surface's load.
#pragma once

#include <cstdint>

#include "platform/DynamicArea.h"
#include "platform/DynamicFormat.h"
#include "platform/DynamicPalette.h"
#include "platform/DynamicSurface.h"

class ImageHandler;
struct TGASaveOptions;

enum ImageFileType { IMAGE_TGA = 0, IMAGE_PCX = 1 };

class Image {
public:
    Image();
    explicit Image(const char* filename);
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    void load(const char* filename);
    void detect(const char* filename);

    void save(const char* filename, int width, int height, const DynamicFormat* format,
              const DynamicPalette* palette, const void* pixels, int type, const TGASaveOptions* options);
    void save(const char* filename, DynamicSurface& surface, int type, const TGASaveOptions* options);

    void copy(DynamicSurface& surface);
    void copy(DynamicSurface& surface, const DynamicArea& source, const DynamicArea& destination);

    int width() const { return width_; }
    int height() const { return height_; }
    DynamicFormat format() const { return format_; }
    DynamicPalette palette() const { return palette_; }
    bool hasPalette() const { return hasPalette_ != 0; }
    const uint8_t* pixels() const { return pixels_; }

private:
    uint8_t* pixels_;
    ImageHandler* handler;
    int32_t width_;
    int32_t height_;
    DynamicFormat format_;
    int32_t hasPalette_;
    DynamicPalette palette_;
};
