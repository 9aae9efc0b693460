#include "effects/cEffect.h"

#include <climits>
#include <cmath>

#include "platform/simd.h"

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
#if PEEKSTUN_SIMD
    // The conversion rounds with the default mode (halves to even), like
    // nearbyint. Outside int range, and for NaN and infinities, it gives
    // INT_MIN, whose low byte is 0: that is also the exact answer there,
    // since every float of magnitude 2^31 or more is a multiple of 256.
    return static_cast<uint8_t>(_mm_cvtss_si32(_mm_set_ss(x)));
#else
    if (!std::isfinite(x)) return 0;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return static_cast<uint8_t>(wrapWhole(std::nearbyint(static_cast<double>(x)), 256));
#endif
}

int truncateAndMask(float x, int mask) {
#if PEEKSTUN_SIMD
    // In int range the truncating conversion is the answer; INT_MIN also
    // stands for out of range, which the exact path below sorts out.
    const int whole = _mm_cvttss_si32(_mm_set_ss(x));
    if (whole != INT_MIN) return whole & mask;
#endif
    if (!std::isfinite(x)) return 0;
    return wrapWhole(std::trunc(static_cast<double>(x)), mask + 1);
}
