// A picture read from a PCX or TGA file: pixel array, size, pixel format and
// palette, and the format handler that read it. The image does no pixel
// conversion of its own: copy hands the pixels to a surface's load.
#pragma once

#include <cstdint>
#include <memory>

#include "image/ImageHandler.h"
#include "image/TGASaveOptions.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicPalette.h"
#include "platform/display/DynamicSurface.h"

enum ImageFileType { IMAGE_TGA = 0, IMAGE_PCX = 1 };

class Image {
public:
    // No picture: empty format and palette, no pixels, no handler.
    Image();
    // Reads the named file; throws DynamicError when it cannot.
    explicit Image(const char* filename);
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    // Replaces the picture with the named file's. The reader is chosen by the
    // file's content, never by its name. On failure the image holds no picture.
    void load(const char* filename);
    // Makes the handler that recognises the file: PCX first, then TGA.
    void detect(const char* filename);

    // Writes the given picture, not the image's own, as a file of the given
    // ImageFileType. Only TGA can be written.
    void save(const char* filename, int width, int height, const DynamicFormat* format, const DynamicPalette* palette,
              const void* pixels, int type, const TGASaveOptions* options);
    // Writes the contents of a surface.
    void save(const char* filename, DynamicSurface& surface, int type, const TGASaveOptions* options);

    // Loads the picture into the surface, which converts it to its own format;
    // a picture that came with a palette also gives the surface that palette.
    void copy(DynamicSurface& surface);
    void copy(DynamicSurface& surface, const DynamicArea& source, const DynamicArea& destination);

    int width() const { return width_; }
    int height() const { return height_; }
    DynamicFormat format() const { return format_; }
    DynamicPalette palette() const { return palette_; }
    bool hasPalette() const { return hasPalette_ != 0; }
    // Rows top to bottom, each width x bytes per pixel long; null when empty.
    const uint8_t* pixels() const { return pixels_.get(); }

private:
    void clear();
    void checkLoaded() const;

    std::unique_ptr<uint8_t[]> pixels_;
    std::unique_ptr<ImageHandler> handler;
    int32_t width_;
    int32_t height_;
    DynamicFormat format_;
    int32_t hasPalette_;
    DynamicPalette palette_;
};
