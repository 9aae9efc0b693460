#include "effects/cRandomDots.h"

#include <limits>

#include "effects/showRandom.h"

namespace {

bool fitsInt(int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

cRandomDots::cRandomDots(int width, int height, const char* fileName) : cEffect(width, height), frame(0) {
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    dot = std::make_unique<cBitmap>(width, height, fileName, cBitmap::MODE_ADDITIVE, frameFormat);
    for (auto& pattern : patterns) {
        for (auto& row : pattern) {
            for (int32_t& lit : row) lit = showRand() % 2;
        }
    }
    ready = 1;
}

cRandomDots::~cRandomDots() = default;

int cRandomDots::draw(DynamicSurface& target, int x0, int y0, float t) {
    if (!ready) return 0;
    frame = truncateAndMask(t, kPatternCount - 1);

    // The grid is walked in 64 bits; a dot whose corner lies beyond int range
    // is outside every clip rectangle anyway.
    const int64_t pitchX = static_cast<int64_t>(dot->getWidth()) + kGap;
    const int64_t pitchY = static_cast<int64_t>(dot->getHeight()) + kGap;
    int64_t y = y0;
    for (int r = 0; r < kRows; ++r) {
        int64_t x = x0;
        for (int c = 0; c < kColumns; ++c) {
            if (patterns[frame][r][c] != 0 && fitsInt(x) && fitsInt(y)) {
                dot->draw(target, static_cast<int>(x), static_cast<int>(y));
            }
            x += pitchX;
        }
        y += pitchY;
    }
    return 1;
}
