// Writing the tool's files: directories made as needed, bytes written whole.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "file_error.h"

// Writes bytes to path, creating its parent directories; throws
// std::runtime_error naming the file and the reason on failure.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Prints "  path  (size bytes, what)" on standard error.
void reportFile(const std::string& path, size_t size, const std::string& what);
