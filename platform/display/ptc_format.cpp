// Pixel formats: direct formats described by their masks, and indexed 8 bits.
#include <cstdio>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/display/ptc_objects.h"
#include "platform/display/ptc_pixels.h"

namespace {

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

void requireDirectLayout(const ptc_format_t& format) {
    const std::string what = "Inconsistent pixel format (" + std::to_string(format.bits) + " bits, masks " +
                             hex(format.r) + ", " + hex(format.g) + ", " + hex(format.b) + ", " + hex(format.a) + "): ";
    if (format.bits != 8 && format.bits != 16 && format.bits != 24 && format.bits != 32) {
        throw DynamicError(what + "direct formats have 8, 16, 24 or 32 bits");
    }
    const uint32_t fits = format.bits == 32 ? 0xffffffffu : (1u << format.bits) - 1u;
    const uint32_t masks[] = {format.r, format.g, format.b, format.a};
    uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t mask = masks[i];
        if (mask == 0) {
            if (i < 3) throw DynamicError(what + "red, green and blue masks must not be empty");
            continue;
        }
        if ((mask & ~fits) != 0) throw DynamicError(what + "a mask reaches beyond the pixel's bits");
        if ((mask & seen) != 0) throw DynamicError(what + "masks overlap");
        if (!maskIsContiguous(mask)) throw DynamicError(what + "a mask has gaps");
        seen |= mask;
    }
}

}  // namespace

PTC_FORMAT ptc_format_create() { return new ptc_format_t; }

PTC_FORMAT ptc_format_create_direct(int bits, int32_t r, int32_t g, int32_t b, int32_t a) {
    ptc_format_t format;
    format.bits = bits;
    format.r = static_cast<uint32_t>(r);
    format.g = static_cast<uint32_t>(g);
    format.b = static_cast<uint32_t>(b);
    format.a = static_cast<uint32_t>(a);
    requireDirectLayout(format);
    return new ptc_format_t(format);
}

PTC_FORMAT ptc_format_create_indexed(int bits) {
    if (bits != 8) throw DynamicError("Unsupported indexed format: " + std::to_string(bits) + " bits (only 8)");
    auto* format = new ptc_format_t;
    format->bits = 8;
    format->indexed = true;
    return format;
}

void ptc_format_assign(PTC_FORMAT format, PTC_FORMAT source) {
    requireHandle(format, "ptc_format_assign");
    requireHandle(source, "ptc_format_assign");
    *format = *source;
}

void ptc_format_destroy(PTC_FORMAT format) { delete format; }

int ptc_format_bytes(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_bytes");
    return format->bytes();
}

int ptc_format_bits(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_bits");
    return format->bits;
}

int ptc_format_indexed(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_indexed");
    return format->indexed ? 1 : 0;
}

int ptc_format_direct(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_direct");
    return !format->indexed && !format->empty() ? 1 : 0;
}

int32_t ptc_format_r(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_r");
    return static_cast<int32_t>(format->r);
}

int32_t ptc_format_g(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_g");
    return static_cast<int32_t>(format->g);
}

int32_t ptc_format_b(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_b");
    return static_cast<int32_t>(format->b);
}

int32_t ptc_format_a(PTC_FORMAT format) {
    requireHandle(format, "ptc_format_a");
    return static_cast<int32_t>(format->a);
}
