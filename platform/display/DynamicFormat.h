// A pixel format: direct (bits per pixel and channel masks) or indexed.
#pragma once

#include <cstdint>

#include "ptc.h"

class DynamicFormat {
public:
    DynamicFormat() : handle(ptc_format_create()) {}
    explicit DynamicFormat(int bits) : handle(ptc_format_create_indexed(bits)) {}
    DynamicFormat(int bits, int32_t r, int32_t g, int32_t b, int32_t a = 0)
        : handle(ptc_format_create_direct(bits, r, g, b, a)) {}
    DynamicFormat(const DynamicFormat& other) : handle(ptc_format_create()) { ptc_format_assign(handle, other.handle); }
    DynamicFormat& operator=(const DynamicFormat& other) {
        ptc_format_assign(handle, other.handle);
        return *this;
    }
    ~DynamicFormat() { ptc_format_destroy(handle); }

    int bytes() const { return ptc_format_bytes(handle); }
    int bits() const { return ptc_format_bits(handle); }
    bool indexed() const { return ptc_format_indexed(handle) != 0; }
    bool direct() const { return ptc_format_direct(handle) != 0; }
    int32_t r() const { return ptc_format_r(handle); }
    int32_t g() const { return ptc_format_g(handle); }
    int32_t b() const { return ptc_format_b(handle); }
    int32_t a() const { return ptc_format_a(handle); }

    PTC_FORMAT get() const { return handle; }

private:
    PTC_FORMAT handle;
};
