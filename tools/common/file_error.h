// The tools' one way of saying a file operation failed.
#pragma once

#include <stdexcept>
#include <string>

// "cannot create PATH: Permission denied" for what was being done to the path
// and the errno value that stopped it.
std::runtime_error fileError(const std::string& doing, const std::string& path, int error);
