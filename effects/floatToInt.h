// Float-to-integer conversions that stay defined for every input. A plain
// cast of NaN, an infinity or a value outside the int range is undefined
// behaviour; these give the same result as the cast wherever the cast is
// defined, and a fixed, documented value elsewhere.
#pragma once

#include <cmath>
#include <cstdint>

// Truncation toward zero, saturated to the int32 range; NaN gives 0.
inline int32_t truncToInt(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// Truncation toward zero, reduced modulo 2^32 into int32 (two's complement),
// as a 32-bit register would hold it; NaN and infinities give 0. Callers that
// keep only the low bits (an & 255, or fixed-point differences) see the same
// bits as the exact integer would give.
inline int32_t truncToWrappedInt(double x) {
    // Within the int range the plain cast already gives the truncated value;
    // the reduction below is only needed outside it (and NaN fails both tests).
    if (x > -2147483648.0 && x < 2147483648.0) return static_cast<int32_t>(x);
    if (!std::isfinite(x)) return 0;
    const double reduced = std::fmod(std::trunc(x), 4294967296.0);  // exact, |reduced| < 2^32
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(reduced)));
}
