// The readers take file names, so each fuzz input is written to a file of the
// process's own and read from there the way the show reads its pictures.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the bytes as a picture file through Image and, for pictures of
// moderate size, copies the result into a 32-bit surface as the show does.
// Refusals (DynamicError) are expected; anything else is a finding.
void loadPictureBytes(const uint8_t* data, size_t size);
