// Points, colours and signed distances for painting shapes. Distances are in
// pixels of the picture being painted: negative inside, positive outside.
#pragma once

#include <algorithm>
#include <cmath>

struct Vec2 {
    float x = 0, y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }
inline Vec2 rotate(Vec2 a, float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}

inline float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float mix(float a, float b, float t) { return a + (b - a) * t; }
inline float smoothstep(float edge0, float edge1, float v) {
    float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// How much of a pixel a shape covers, from the distance of the pixel's centre
// to the shape's edge: a one-pixel ramp gives clean anti-aliased edges.
inline float coverage(float distance) { return clamp01(0.5f - distance); }

inline float sdCircle(Vec2 p, Vec2 centre, float radius) { return length(p - centre) - radius; }

// A ring of the given radius drawn with a line of the given width.
inline float sdRing(Vec2 p, Vec2 centre, float radius, float lineWidth) {
    return std::fabs(length(p - centre) - radius) - lineWidth * 0.5f;
}

// A straight line from a to b drawn with the given width and round ends.
inline float sdSegment(Vec2 p, Vec2 a, Vec2 b, float lineWidth) {
    Vec2 pa = p - a, ba = b - a;
    float h = clamp01(dot(pa, ba) / std::max(dot(ba, ba), 1e-12f));
    return length(pa - ba * h) - lineWidth * 0.5f;
}

// An axis-aligned box given by its centre and half size, corners rounded.
inline float sdBox(Vec2 p, Vec2 centre, Vec2 halfSize, float cornerRadius = 0) {
    Vec2 d = {std::fabs(p.x - centre.x) - halfSize.x + cornerRadius,
              std::fabs(p.y - centre.y) - halfSize.y + cornerRadius};
    Vec2 outside = {std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
    return length(outside) + std::min(std::max(d.x, d.y), 0.0f) - cornerRadius;
}

// A triangle given by its corners (any winding).
inline float sdTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    Vec2 e0 = b - a, e1 = c - b, e2 = a - c;
    Vec2 v0 = p - a, v1 = p - b, v2 = p - c;
    Vec2 pq0 = v0 - e0 * clamp01(dot(v0, e0) / dot(e0, e0));
    Vec2 pq1 = v1 - e1 * clamp01(dot(v1, e1) / dot(e1, e1));
    Vec2 pq2 = v2 - e2 * clamp01(dot(v2, e2) / dot(e2, e2));
    float s = (e0.x * e2.y - e0.y * e2.x) > 0 ? 1.0f : -1.0f;
    float dx = std::min(std::min(dot(pq0, pq0), dot(pq1, pq1)), dot(pq2, pq2));
    float dy = std::min(std::min(s * (v0.x * e0.y - v0.y * e0.x), s * (v1.x * e1.y - v1.y * e1.x)),
                        s * (v2.x * e2.y - v2.y * e2.x));
    return -std::sqrt(dx) * (dy < 0 ? -1.0f : 1.0f);
}

// Shapes combined: union, intersection and a smooth union of radius k.
inline float sdUnion(float a, float b) { return std::min(a, b); }
inline float sdIntersect(float a, float b) { return std::max(a, b); }
inline float sdSmoothUnion(float a, float b, float k) {
    float h = clamp01(0.5f + 0.5f * (b - a) / k);
    return mix(b, a, h) - k * h * (1 - h);
}
