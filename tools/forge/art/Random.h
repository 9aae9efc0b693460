// The painter's own seeded generator (a permuted congruential generator), so
// every picture comes out the same on every run and every machine.
#pragma once

#include <cstdint>

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 6364136223846793005ULL + 1442695040888963407ULL) { next(); }

    uint32_t next() {
        uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        uint32_t shifted = static_cast<uint32_t>(((old >> 18) ^ old) >> 27);
        uint32_t rotation = static_cast<uint32_t>(old >> 59);
        return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
    }
    // 0 <= value < 1.
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    float between(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    // 0 <= value < n.
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

private:
    uint64_t state_;
};

// A well-mixed 32-bit hash of a lattice point, for noise.
inline uint32_t hashPoint(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}
