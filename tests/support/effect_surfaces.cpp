#include "support/effect_surfaces.h"

#include <cstring>
#include <stdexcept>

namespace test_support {

DynamicFormat directFormat() { return DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0); }

DynamicFormat indexedFormat() { return DynamicFormat(8); }

std::unique_ptr<DynamicSurface> makeSurface(int width, int height, const DynamicFormat& format) {
    auto surface = std::make_unique<DynamicSurface>(width, height, format);
    surface->clear();
    return surface;
}

namespace {

template <typename Pixel>
std::vector<Pixel> readPixels(DynamicSurface& surface) {
    std::vector<Pixel> pixels(static_cast<size_t>(surface.width()) * surface.height());
    std::memcpy(pixels.data(), surface.lock(), pixels.size() * sizeof(Pixel));
    surface.unlock();
    return pixels;
}

template <typename Pixel>
void writePixels(DynamicSurface& surface, const std::vector<Pixel>& pixels) {
    if (pixels.size() != static_cast<size_t>(surface.width()) * surface.height()) {
        throw std::invalid_argument("pixel count differs from the surface's");
    }
    std::memcpy(surface.lock(), pixels.data(), pixels.size() * sizeof(Pixel));
    surface.unlock();
}

}  // namespace

std::vector<uint32_t> readPixels32(DynamicSurface& surface) { return readPixels<uint32_t>(surface); }
void writePixels32(DynamicSurface& surface, const std::vector<uint32_t>& pixels) { writePixels(surface, pixels); }
std::vector<uint8_t> readPixels8(DynamicSurface& surface) { return readPixels<uint8_t>(surface); }
void writePixels8(DynamicSurface& surface, const std::vector<uint8_t>& pixels) { writePixels(surface, pixels); }

}  // namespace test_support
