// Writes pictures of 32-bit words as PNG files: 0x00RRGGBB frames as RGB, or
// 0xAARRGGBB pictures (straight alpha) as RGBA.
#pragma once

#include <cstdint>
#include <string>

// Throws std::runtime_error naming the file and the reason when it cannot be
// written.
// Rows top to bottom without gaps. Pictures written once can take level 9;
// runs of frames want level 1 without row filters, which halves zlib's time
// and, on the show's frames, even gives smaller files.
void writePng(const std::string& path, const uint32_t* pixels, int width, int height, bool withAlpha = false,
              int compressionLevel = 3, bool filterRows = true);
