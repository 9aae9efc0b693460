// Writes a frame of 0x00RRGGBB pixels as an RGB PNG file.
#pragma once

#include <cstdint>
#include <string>

// Throws std::runtime_error naming the file and the reason when it cannot be
// written.
void writePng(const std::string& path, const uint32_t* pixels, int width, int height);
