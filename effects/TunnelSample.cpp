#include "effects/TunnelSample.h"

#include <cmath>

#include "effects/floatToInt.h"

Vector3 tunnelWallHit(const Vector3& v, float radius) {
    // The wall x^2 + y^2 = radius^2 against the ray t v: the camera sits on
    // the axis, so the quadratic has no linear term; the negative root is taken.
    const float a = v.x * v.x + v.y * v.y;
    const float b = 0.0f;
    const float c = 0.0f - radius * radius;
    const float discriminant = b * b - 4.0f * a * c;
    const float t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    return Vector3{t * v.x, t * v.y, t * v.z};
}

TunnelSample tunnelSampleAt(const Vector3& hit, float travel) {
    if (!std::isfinite(hit.x) || !std::isfinite(hit.y) || !std::isfinite(hit.z)) return TunnelSample{0, 0, 0};

    TunnelSample sample;
    // Far along the tube u outgrows 32 bits; only its low bits reach the
    // texture, and the wrapped value keeps them.
    sample.u = truncToWrappedInt(std::fabs(hit.z - 128.0f + 8.0f * travel) * 0.2 * 256.0);
    sample.v = truncToWrappedInt(
        std::fabs(std::atan2(static_cast<double>(hit.y), static_cast<double>(hit.x)) * 65536.0 * 0.3183098861837697));
    const double dimming = std::trunc(std::fabs(hit.z) * 0.08 * 256.0);
    sample.shade = dimming >= 32768.0 ? 0 : 32768 - static_cast<int32_t>(dimming);
    return sample;
}

TunnelSample castTunnelRay(const Vector3& v, float radius, float travel) {
    return tunnelSampleAt(tunnelWallHit(v, radius), travel);
}
