// The toolkit's handle types as the platform layer sees them. Only the
// platform's own sources include this; everyone else holds opaque handles.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ptc.h"

// A pixel format. An empty format has zero bits; an indexed one has 8 bits
// and no masks; a direct one has 8, 16, 24 or 32 bits and contiguous,
// non-overlapping masks (alpha may be 0).
struct ptc_format_t {
    int bits = 0;
    bool indexed = false;
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
    uint32_t a = 0;

    int bytes() const { return (bits + 7) / 8; }
    bool empty() const { return bits == 0; }
    bool sameLayout(const ptc_format_t& other) const {
        return bits == other.bits && indexed == other.indexed && r == other.r && g == other.g && b == other.b &&
               a == other.a;
    }
};

constexpr int kPaletteEntries = 256;
using PaletteEntries = std::array<uint32_t, kPaletteEntries>;

struct ptc_palette_t {
    PaletteEntries entries{};
    int locks = 0;
};

struct ptc_area_t {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ptc_surface_t {
    int width = 0;
    int height = 0;
    ptc_format_t format;
    std::vector<uint8_t> pixels;
    PaletteEntries palette{};
    int locks = 0;
};

struct ptc_key_t {
    int code = 0;
};

struct ptc_error_t {
    std::string message;
};

// Validation shared by every entry point: throws DynamicError naming the call.
void requireHandle(const void* handle, const char* call);
