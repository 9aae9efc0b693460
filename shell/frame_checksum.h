// The checksum a frame is known by: the golden frames and the page's offline
// render compare frames by it, so it is written once.
#pragma once

#include <cstddef>
#include <cstdint>

// FNV-1a over the pixels' bytes, lowest byte of each pixel first.
inline uint64_t frameChecksum(const uint32_t* pixels, size_t count) {
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < count; ++i) {
        for (int byte = 0; byte < 4; ++byte) {
            hash ^= (pixels[i] >> (8 * byte)) & 0xff;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}
