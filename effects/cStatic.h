// Grey noise added onto a 32-bit frame, like the grain of a weak television
// picture: a per-row or per-column streak value and a per-pixel grain value,
// combined as the mode says, fresh from the shared generator at every call.
#pragma once

#include <cstdint>

#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"

class cStatic : public cEffect {
public:
    // Modes: v is the grey added to one pixel, wrapping at 256.
    enum Mode {
        MODE_GRAIN = 1,                 // v = grain of the pixel
        MODE_COLUMN_STREAKS = 2,        // v = streak of the column
        MODE_COLUMN_STREAKS_GRAIN = 3,  // v = streak of the column + grain
        MODE_ROW_STREAKS = 4,           // v = streak of the row
        MODE_ROW_STREAKS_GRAIN = 5,     // v = streak of the row + grain
    };

    // Streak values are drawn in 0 to streakLevel - 1, grain values in 0 to
    // grainLevel - 1. Throws DynamicError when a level the mode draws from is 0.
    cStatic(int width, int height, uint8_t streakLevel, uint8_t grainLevel, int mode);

    // Adds the noise to every pixel of the drawing area of target, a 32-bit
    // 0x00RRGGBB surface, each channel saturating at 255 and the top byte
    // cleared. A mode outside 1 to 5 changes nothing. Returns 0 when not
    // ready, else 1.
    int drawAdditive(DynamicSurface& target);

    // Moves the shared generator on exactly as drawAdditive onto target
    // would, drawing nothing: for replaying the show without pictures.
    void skipDraw(const DynamicSurface& target);

    // The same noise, one pixel and one generator call after another: what
    // drawAdditive's wider loop must match value for value.
    int drawAdditiveOnePixelAtATime(DynamicSurface& target);

    // How the wide loop divides generator values by the grain level.
    struct GrainDivision {
        bool usable = false;
        uint16_t multiplier = 0;
        int shift = 0;
    };

private:
    static GrainDivision findGrainDivision(uint8_t divisor);
    int draw(DynamicSurface& target, bool manyAtATime);

    int32_t mode;
    uint8_t streakLevel;
    uint8_t grainLevel;
    GrainDivision grainDivision;
};
