// Writes pictures with transparency as RGBA PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// pixels: width x height words 0xAARRGGBB, straight alpha, rows top to bottom.
// Throws std::runtime_error when the file cannot be written.
void writeRgbaPng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);
