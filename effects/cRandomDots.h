// A panel of 20 x 3 dots like blinking indicator lamps: which dots are lit
// follows one of 16 random patterns chosen at construction, the pattern shown
// cycling with the time.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/cBitmap.h"
#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"

class cRandomDots : public cEffect {
public:
    static constexpr int kPatternCount = 16;
    static constexpr int kRows = 3;
    static constexpr int kColumns = 20;
    static constexpr int kGap = 3;

    // Loads the dot picture and draws the patterns from the shared generator.
    cRandomDots(int width, int height, const char* fileName);
    ~cRandomDots() override;

    // Draws the panel with its top-left corner at (x0, y0), showing pattern
    // (t truncated) AND 15. Returns 0 when not ready, else 1.
    int draw(DynamicSurface& target, int x0, int y0, float t);

    // What draw changes, without drawing: the pattern shown.
    void skipDraw(float t) {
        if (ready) frame = truncateAndMask(t, kPatternCount - 1);
    }

    bool isLit(int pattern, int row, int column) const { return patterns[pattern][row][column] != 0; }
    int shownPattern() const { return frame; }

private:
    int32_t patterns[kPatternCount][kRows][kColumns];
    std::unique_ptr<cBitmap> dot;
    int32_t frame;
};
