// Options for writing a TGA file.
#pragma once

#include <cstdint>

struct TGASaveOptions {
    // 1 asks for run-length compression, which the writer refuses; any other
    // value means uncompressed.
    int32_t compressed;
};
