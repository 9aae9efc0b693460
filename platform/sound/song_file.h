// Reading a song's file for any sound backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole file at `path`. Throws DynamicError when it cannot be read, is
// empty, is too large for a song, or is an XM module cut short.
std::vector<uint8_t> readSongFile(const std::string& path);
