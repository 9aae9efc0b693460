// Writing the tool's files: directories made as needed, bytes written whole.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// "cannot create PATH: Permission denied" for what was being done to the path
// and the errno value that stopped it.
std::runtime_error fileError(const std::string& doing, const std::string& path, int error);

// Writes bytes to path, creating its parent directories; throws
// std::runtime_error naming the file and the reason on failure.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Prints "  path  (size bytes, what)" on standard error.
void reportFile(const std::string& path, size_t size, const std::string& what);
