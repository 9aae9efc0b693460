#include "file_error.h"

#include <cstring>

std::runtime_error fileError(const std::string& doing, const std::string& path, int error) {
    return std::runtime_error(doing + " " + path + ": " + std::strerror(error));
}
