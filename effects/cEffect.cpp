#include "effects/cEffect.h"

#include <cmath>

namespace {

// The exact integer value r (a whole number) modulo 2^k, as two's-complement
// AND with modulus - 1 gives it. fmod is exact, so this holds for any r.
int wrapWhole(double r, int modulus) {
    double wrapped = std::fmod(r, static_cast<double>(modulus));
    if (wrapped < 0) wrapped += modulus;
    return static_cast<int>(wrapped);
}

}  // namespace

uint8_t roundToByte(float x) {
    if (!std::isfinite(x)) return 0;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return static_cast<uint8_t>(wrapWhole(std::nearbyint(static_cast<double>(x)), 256));
}

int truncateAndMask(float x, int mask) {
    if (!std::isfinite(x)) return 0;
    return wrapWhole(std::trunc(static_cast<double>(x)), mask + 1);
}
