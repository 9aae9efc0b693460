// An off-screen picture with a pixel format and, when indexed, a palette.
#pragma once

#include "DynamicArea.h"
#include "DynamicConsole.h"
#include "DynamicFormat.h"
#include "DynamicPalette.h"
#include "ptc.h"

class DynamicSurface {
public:
    DynamicSurface(int width, int height, const DynamicFormat& format)
        : handle(ptc_surface_create(width, height, format.get())) {}
    DynamicSurface(const DynamicSurface&) = delete;
    DynamicSurface& operator=(const DynamicSurface&) = delete;
    ~DynamicSurface() { ptc_surface_destroy(handle); }

    void* lock() { return ptc_surface_lock(handle); }
    void unlock() { ptc_surface_unlock(handle); }
    int width() const { return ptc_surface_width(handle); }
    int height() const { return ptc_surface_height(handle); }
    // A copy of the surface's format.
    DynamicFormat format() const {
        DynamicFormat copy;
        ptc_format_assign(copy.get(), ptc_surface_format(handle));
        return copy;
    }
    void palette(DynamicPalette& into) const { ptc_surface_palette_get(handle, into.get()); }
    void setPalette(const DynamicPalette& palette) { ptc_surface_palette_set(handle, palette.get()); }
    void clear() { ptc_surface_clear(handle); }
    void copy(DynamicSurface& destination) const { ptc_surface_copy(handle, destination.handle); }
    void copy(DynamicConsole& destination) const { ptc_surface_copy_console(handle, destination.get()); }
    void copy(DynamicSurface& destination, const DynamicArea& source, const DynamicArea& area) const {
        ptc_surface_copy_area(handle, destination.handle, source.get(), area.get());
    }
    void load(const void* pixels, int width, int height, int pitch, const DynamicFormat& format,
              const DynamicPalette& palette) {
        ptc_surface_load(handle, pixels, width, height, pitch, format.get(), palette.get());
    }
    void load(const void* pixels, int width, int height, int pitch, const DynamicFormat& format,
              const DynamicPalette& palette, const DynamicArea& source, const DynamicArea& destination) {
        ptc_surface_load_area(handle, pixels, width, height, pitch, format.get(), palette.get(), source.get(),
                              destination.get());
    }

    PTC_SURFACE get() const { return handle; }

private:
    PTC_SURFACE handle;
};
