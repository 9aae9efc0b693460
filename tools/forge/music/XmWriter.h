// Encodes a module as a FastTracker 2 extended module file (version 1.04).
#pragma once

#include <cstdint>
#include <vector>

#include "XmModule.h"

namespace xm {

// Throws std::runtime_error when the module cannot be expressed in the format.
std::vector<uint8_t> encode(const Module& module);

}  // namespace xm
