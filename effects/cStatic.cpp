#include "effects/cStatic.h"

#include <algorithm>
#include <vector>

#include "effects/saturatingAdd.h"
#include "effects/showRandom.h"
#include "platform/DynamicError.h"

namespace {

bool usesColumns(int mode) {
    return mode == cStatic::MODE_COLUMN_STREAKS || mode == cStatic::MODE_COLUMN_STREAKS_GRAIN;
}
bool usesRows(int mode) { return mode == cStatic::MODE_ROW_STREAKS || mode == cStatic::MODE_ROW_STREAKS_GRAIN; }
bool usesGrain(int mode) {
    return mode == cStatic::MODE_GRAIN || mode == cStatic::MODE_COLUMN_STREAKS_GRAIN ||
           mode == cStatic::MODE_ROW_STREAKS_GRAIN;
}

}  // namespace

cStatic::cStatic(int width, int height, uint8_t streakLevel, uint8_t grainLevel, int mode)
    : cEffect(width, height), mode(mode), streakLevel(streakLevel), grainLevel(grainLevel) {
    // Both levels are divisors of the generator's values.
    if ((usesColumns(mode) || usesRows(mode)) && streakLevel == 0) {
        throw DynamicError("cStatic: the streak level must be at least 1");
    }
    if (usesGrain(mode) && grainLevel == 0) throw DynamicError("cStatic: the grain level must be at least 1");
    ready = 1;
}

int cStatic::drawAdditive(DynamicSurface& target) {
    if (!ready) return 0;
    if (target.format().bytes() != 4) throw DynamicError("cStatic: the target must have 32-bit pixels");

    // The area, kept within the effect's size and the target's.
    const int targetWidth = target.width();
    const int left = std::max(area.left(), 0);
    const int top = std::max(area.top(), 0);
    const int right = std::min({area.left() + area.width(), width, targetWidth});
    const int bottom = std::min({area.top() + area.height(), height, target.height()});

    uint32_t* pixels = static_cast<uint32_t*>(target.lock());

    std::vector<uint8_t> columnStreaks;
    if (usesColumns(mode)) {
        columnStreaks.resize(width > 0 ? width : 0);
        for (uint8_t& streak : columnStreaks) streak = static_cast<uint8_t>(showRand() % streakLevel);
    }

    if (mode >= MODE_GRAIN && mode <= MODE_ROW_STREAKS_GRAIN) {
        for (int y = top; y < bottom; ++y) {
            uint8_t rowStreak = 0;
            if (usesRows(mode)) rowStreak = static_cast<uint8_t>(showRand() % streakLevel);
            uint32_t* row = pixels + static_cast<int64_t>(y) * targetWidth;
            for (int x = left; x < right; ++x) {
                uint8_t grain = 0;
                if (usesGrain(mode)) grain = static_cast<uint8_t>(showRand() % grainLevel);
                uint8_t v = grain;
                if (usesColumns(mode)) v = static_cast<uint8_t>(columnStreaks[x] + grain);
                if (usesRows(mode)) v = static_cast<uint8_t>(rowStreak + grain);
                row[x] = saturatingAdd(row[x], v * 0x010101u);  // grey (v, v, v)
            }
        }
    }

    target.unlock();
    return 1;
}
