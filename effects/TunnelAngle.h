// The angular texture coordinate of a point on the 3D tunnel's wall: how far
// round the tube it lies, |atan2(y, x)| in units of pi / 65536, truncated.
// 0 is straight along +x, 65536 along -x; both halves of the tube count up
// from +x, so the texture is mirrored top to bottom.
#pragma once

#include <cstdint>

// The reference: the math library's atan2 in double precision, truncated to a
// wrapped int (NaN and infinities give 0).
int32_t tunnelAngle(float x, float y);

// The point's angle folded into the first octant, atan(min(|x|, |y|) /
// max(|x|, |y|)) in the same units (0 to 16384), from a polynomial in float:
// within 4.5e-3 of the true value for finite points other than the origin.
float quickOctantAngle(float x, float y);

// tunnelAngle from that polynomial, false where the polynomial cannot be sure of
// the truncation (angle near a whole unit, or an input that is not finite);
// where it returns true, angle is tunnelAngle(x, y) for certain.
bool quickTunnelAngle(float x, float y, int32_t& angle);

// tunnelAngle for count points, the polynomial four points at a time wherever
// it is sure and the reference call elsewhere.
void tunnelAngles(const float* x, const float* y, int count, int32_t* angles);
