// 32-bit and 8-bit surfaces for effect tests, filled from and read back into
// plain pixel vectors.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicSurface.h"

namespace test_support {

// The frame's format: 32 bits, 0x00RRGGBB.
DynamicFormat directFormat();
DynamicFormat indexedFormat();

std::unique_ptr<DynamicSurface> makeSurface(int width, int height, const DynamicFormat& format);

// Whole-surface pixel access for 32-bit and 8-bit surfaces.
std::vector<uint32_t> readPixels32(DynamicSurface& surface);
void writePixels32(DynamicSurface& surface, const std::vector<uint32_t>& pixels);
std::vector<uint8_t> readPixels8(DynamicSurface& surface);
void writePixels8(DynamicSurface& surface, const std::vector<uint8_t>& pixels);

}  // namespace test_support
