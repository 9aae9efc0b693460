// A palette of 256 entries of 0x00RRGGBB.
#pragma once

#include <cstdint>

#include "ptc.h"

class DynamicPalette {
public:
    DynamicPalette() : handle(ptc_palette_create()) {}
    explicit DynamicPalette(const int32_t* data) : DynamicPalette() { load(data); }
    DynamicPalette(const DynamicPalette& other) : DynamicPalette() { ptc_palette_assign(handle, other.handle); }
    DynamicPalette& operator=(const DynamicPalette& other) {
        ptc_palette_assign(handle, other.handle);
        return *this;
    }
    ~DynamicPalette() { ptc_palette_destroy(handle); }

    void load(const int32_t* data) { ptc_palette_load(handle, data); }
    int32_t* lock() { return ptc_palette_lock(handle); }
    void unlock() { ptc_palette_unlock(handle); }

    PTC_PALETTE get() const { return handle; }

private:
    PTC_PALETTE handle;
};
