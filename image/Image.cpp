#include "image/Image.h"

#include <new>
#include <string>

#include "image/PCXHandler.h"
#include "image/TGAHandler.h"
#include "platform/display/DynamicError.h"

Image::Image() : width_(0), height_(0), hasPalette_(0) {}

Image::Image(const char* filename) : Image() { load(filename); }

Image::~Image() = default;

void Image::clear() {
    pixels_.reset();
    width_ = 0;
    height_ = 0;
    format_ = DynamicFormat();
    hasPalette_ = 0;
}

void Image::load(const char* filename) {
    clear();
    detect(filename);

    int width = 0;
    int height = 0;
    int hasPalette = 0;
    DynamicFormat format;
    // The handler refuses sizes and formats it cannot decode here, before
    // anything is allocated.
    handler->info(width, height, format, hasPalette);
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(format.bytes());

    std::unique_ptr<uint8_t[]> pixels;
    try {
        pixels.reset(new uint8_t[bytes]);
    } catch (const std::bad_alloc&) {
        throw DynamicError("Vorla error - Not enough memory for a picture of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels");
    }
    if (!handler->load(pixels.get(), &palette_)) {
        throw DynamicError("Vorla error - Image file refused by its reader");
    }

    pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
    format_ = format;
    hasPalette_ = hasPalette;
}

void Image::detect(const char* filename) {
    handler.reset();
    // A missing file is reported by the PCX handler, and TGA is never tried.
    handler = std::make_unique<PCXHandler>(filename);
    if (handler->valid() == 1) return;
    handler = std::make_unique<TGAHandler>(filename);
    if (handler->valid() == 1) return;
    handler.reset();
    throw DynamicError("Vorla - Unsupported file format");
}

void Image::save(const char* filename, int width, int height, const DynamicFormat* format,
                 const DynamicPalette* palette, const void* pixels, int type, const TGASaveOptions* options) {
    handler.reset();
    if (type == IMAGE_TGA) {
        handler = std::make_unique<TGAHandler>();
    } else if (type == IMAGE_PCX) {
        handler = std::make_unique<PCXHandler>();
    } else {
        throw DynamicError("Vorla error - Cannot save to the specified file format");
    }
    handler->save(filename, width, height, format, palette, pixels, options);
}

namespace {

// Keeps a surface locked for one scope, so that a throwing save unlocks it.
class SurfaceLock {
public:
    explicit SurfaceLock(DynamicSurface& surface) : surface(surface), pixels(surface.lock()) {}
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;
    ~SurfaceLock() { surface.unlock(); }

    DynamicSurface& surface;
    void* const pixels;
};

}  // namespace

void Image::save(const char* filename, DynamicSurface& surface, int type, const TGASaveOptions* options) {
    const int width = surface.width();
    const int height = surface.height();
    const DynamicFormat format = surface.format();
    DynamicPalette palette;
    surface.palette(palette);
    SurfaceLock lock(surface);
    save(filename, width, height, &format, &palette, lock.pixels, type, options);
}

void Image::checkLoaded() const {
    if (!pixels_) throw DynamicError("Vorla error - no image to copy");
}

void Image::copy(DynamicSurface& surface) {
    checkLoaded();
    surface.load(pixels_.get(), width_, height_, width_ * format_.bytes(), format_, palette_);
    if (hasPalette_) surface.setPalette(palette_);
}

void Image::copy(DynamicSurface& surface, const DynamicArea& source, const DynamicArea& destination) {
    checkLoaded();
    surface.load(pixels_.get(), width_, height_, width_ * format_.bytes(), format_, palette_, source, destination);
    if (hasPalette_) surface.setPalette(palette_);
}
