// Writes pictures of 32-bit words as PNG files: 0x00RRGGBB frames as RGB, or
// 0xAARRGGBB pictures (straight alpha) as RGBA.
#pragma once

#include <cstdint>
#include <string>

// Throws std::runtime_error naming the file and the reason when it cannot be
// written.
// Rows top to bottom without gaps. Level 3 keeps a run of frames quick;
// pictures written once can take 9.
void writePng(const std::string& path, const uint32_t* pixels, int width, int height, bool withAlpha = false,
              int compressionLevel = 3);
