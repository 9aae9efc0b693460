// Surfaces: pictures in memory, copied onto each other or onto a console with
// conversion, scaling and clipping.
#include <cstring>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/display/ptc_console_frame.h"
#include "platform/display/ptc_objects.h"
#include "platform/display/ptc_pixels.h"

namespace {

// Generous for any picture the show uses, small enough that width x height x
// bytes can neither overflow nor exhaust memory.
constexpr int kMaximumSide = 16384;
constexpr int64_t kMaximumBytes = int64_t(1) << 30;

PixelSource sourceOf(const ptc_surface_t& surface) {
    return PixelSource{surface.pixels.data(), surface.width,
                       surface.height,        ptrdiff_t(surface.width) * surface.format.bytes(),
                       &surface.format,       surface.palette.data()};
}

PixelTarget targetOf(ptc_surface_t& surface) {
    return PixelTarget{surface.pixels.data(), surface.width,
                       surface.height,        ptrdiff_t(surface.width) * surface.format.bytes(),
                       &surface.format,       surface.palette.data()};
}

PixelRect wholeOf(int width, int height) { return PixelRect{0, 0, width, height}; }

PixelRect rectOf(const ptc_area_t& area) { return PixelRect{area.left, area.top, area.right, area.bottom}; }

// Copying a surface onto itself reads from a snapshot so that overlapping
// rows are not read after they were written.
void copyBetween(const ptc_surface_t& surface, ptc_surface_t& destination, PixelRect from, PixelRect to) {
    if (&surface == &destination) {
        const ptc_surface_t snapshot = surface;
        copyPixels(sourceOf(snapshot), from, targetOf(destination), to);
        return;
    }
    copyPixels(sourceOf(surface), from, targetOf(destination), to);
}

void loadInto(PTC_SURFACE surface, const void* pixels, int width, int height, int pitch, PTC_FORMAT format,
              PTC_PALETTE palette, PixelRect from, PixelRect to, const char* call) {
    requireHandle(surface, call);
    requireHandle(format, call);
    if (!pixels) throw DynamicError(std::string(call) + ": no pixels");
    if (width <= 0 || height <= 0) {
        throw DynamicError(std::string(call) + ": bad source size " + std::to_string(width) + " x " +
                           std::to_string(height));
    }
    if (format->empty()) throw DynamicError(std::string(call) + ": the source format is empty");
    if (int64_t(pitch) < int64_t(width) * format->bytes()) {
        throw DynamicError(std::string(call) + ": pitch " + std::to_string(pitch) + " is shorter than a row of " +
                           std::to_string(width) + " pixels");
    }
    if (format->indexed && !palette) throw DynamicError(std::string(call) + ": an indexed source needs a palette");
    const PixelSource source{static_cast<const uint8_t*>(pixels),        width, height, pitch, format,
                             palette ? palette->entries.data() : nullptr};
    copyPixels(source, from, targetOf(*surface), to);
}

}  // namespace

PTC_SURFACE ptc_surface_create(int width, int height, PTC_FORMAT format) {
    requireHandle(format, "ptc_surface_create");
    if (format->empty()) throw DynamicError("ptc_surface_create: the format is empty");
    if (width <= 0 || height <= 0 || width > kMaximumSide || height > kMaximumSide ||
        int64_t(width) * height * format->bytes() > kMaximumBytes) {
        throw DynamicError("ptc_surface_create: bad surface size " + std::to_string(width) + " x " +
                           std::to_string(height));
    }
    auto* surface = new ptc_surface_t;
    surface->width = width;
    surface->height = height;
    surface->format = *format;
    surface->pixels.assign(size_t(width) * size_t(height) * size_t(format->bytes()), 0);
    return surface;
}

void ptc_surface_destroy(PTC_SURFACE surface) { delete surface; }

// Locks nest; the memory never moves, so locking is bookkeeping only.
void* ptc_surface_lock(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_lock");
    ++surface->locks;
    return surface->pixels.data();
}

void ptc_surface_unlock(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_unlock");
    if (surface->locks == 0) throw DynamicError("ptc_surface_unlock: the surface is not locked");
    --surface->locks;
}

int ptc_surface_width(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_width");
    return surface->width;
}

int ptc_surface_height(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_height");
    return surface->height;
}

PTC_FORMAT ptc_surface_format(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_format");
    return &surface->format;
}

void ptc_surface_palette_get(PTC_SURFACE surface, PTC_PALETTE palette) {
    requireHandle(surface, "ptc_surface_palette_get");
    requireHandle(palette, "ptc_surface_palette_get");
    palette->entries = surface->palette;
}

void ptc_surface_palette_set(PTC_SURFACE surface, PTC_PALETTE palette) {
    requireHandle(surface, "ptc_surface_palette_set");
    requireHandle(palette, "ptc_surface_palette_set");
    surface->palette = palette->entries;
}

void ptc_surface_clear(PTC_SURFACE surface) {
    requireHandle(surface, "ptc_surface_clear");
    std::memset(surface->pixels.data(), 0, surface->pixels.size());
}

// Surfaces of different sizes are scaled whole onto each other.
void ptc_surface_copy(PTC_SURFACE surface, PTC_SURFACE destination) {
    requireHandle(surface, "ptc_surface_copy");
    requireHandle(destination, "ptc_surface_copy");
    copyBetween(*surface, *destination, wholeOf(surface->width, surface->height),
                wholeOf(destination->width, destination->height));
}

void ptc_surface_copy_console(PTC_SURFACE surface, PTC_CONSOLE destination) {
    requireHandle(surface, "ptc_surface_copy_console");
    requireHandle(destination, "ptc_surface_copy_console");
    ConsoleFrame frame = consoleDrawingFrame(destination);
    copyPixels(sourceOf(*surface), wholeOf(surface->width, surface->height),
               PixelTarget{reinterpret_cast<uint8_t*>(frame.pixels), frame.width, frame.height,
                           ptrdiff_t(frame.width) * 4, &consoleFrameFormat(), nullptr},
               wholeOf(frame.width, frame.height));
}

void ptc_surface_copy_area(PTC_SURFACE surface, PTC_SURFACE destination, PTC_AREA source, PTC_AREA area) {
    requireHandle(surface, "ptc_surface_copy_area");
    requireHandle(destination, "ptc_surface_copy_area");
    requireHandle(source, "ptc_surface_copy_area");
    requireHandle(area, "ptc_surface_copy_area");
    copyBetween(*surface, *destination, rectOf(*source), rectOf(*area));
}

// Pixels of another size are scaled whole onto the surface.
void ptc_surface_load(PTC_SURFACE surface, const void* pixels, int width, int height, int pitch, PTC_FORMAT format,
                      PTC_PALETTE palette) {
    requireHandle(surface, "ptc_surface_load");
    loadInto(surface, pixels, width, height, pitch, format, palette, wholeOf(width, height),
             wholeOf(surface->width, surface->height), "ptc_surface_load");
}

void ptc_surface_load_area(PTC_SURFACE surface, const void* pixels, int width, int height, int pitch, PTC_FORMAT format,
                           PTC_PALETTE palette, PTC_AREA source, PTC_AREA destination) {
    requireHandle(source, "ptc_surface_load_area");
    requireHandle(destination, "ptc_surface_load_area");
    loadInto(surface, pixels, width, height, pitch, format, palette, rectOf(*source), rectOf(*destination),
             "ptc_surface_load_area");
}
