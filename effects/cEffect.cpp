#include "effects/cEffect.h"

#include <cmath>

uint8_t roundToByte(float x) {
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return static_cast<uint8_t>(static_cast<int64_t>(std::nearbyint(x)) & 0xFF);
}
