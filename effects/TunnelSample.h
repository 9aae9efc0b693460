// One ray-cast point of the 3D tunnel's lattice: where a ray from the camera
// meets the cylinder's wall, as texture coordinates and a brightness.
#pragma once

#include <cstdint>

#include "effects/Matrix4.h"

struct TunnelSample {
    int32_t u;      // depth texture coordinate, 8.8 fixed point
    int32_t v;      // angular texture coordinate, 8.8 fixed point
    int32_t shade;  // brightness, 8.8 fixed point, 0 (black) to 32768 (level 128)
};

// Casts a ray from the camera (on the axis of a cylinder of the given radius,
// travel units along it) in direction v. A ray that never meets the wall
// (parallel to the axis) or meets it beyond float range gives the far, black
// sample {0, 0, 0}.
TunnelSample castTunnelRay(const Vector3& v, float radius, float travel);

// The two halves of castTunnelRay, for callers that cast many rays: the
// point where the ray meets the wall (not finite when it never does), and
// the sample of that point.
Vector3 tunnelWallHit(const Vector3& v, float radius);
TunnelSample tunnelSampleAt(const Vector3& hit, float travel);

// The same for rays and hits stored coordinate by coordinate, with results
// equal to the single ray's bit for bit: tunnelWallHits takes count rays
// (count a multiple of 4); tunnelSamplesAt takes count hits.
void tunnelWallHits(const float* x, const float* y, const float* z, int count, float radius, float* hitX, float* hitY,
                    float* hitZ);
void tunnelSamplesAt(const float* x, const float* y, const float* z, int count, float travel, TunnelSample* samples);
// The same for hits whose angles (tunnelAngles) are known.
void tunnelSamplesAt(const float* x, const float* y, const float* z, const int32_t* angles, int count, float travel,
                     TunnelSample* samples);
// Renews only the depth coordinate u of each hit's sample, the one part of a
// sample that changes with the travel.
void tunnelDepthsAt(const float* x, const float* y, const float* z, int count, float travel, TunnelSample* samples);
