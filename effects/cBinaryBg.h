// A band of 81 narrow columns of binary digits, each one of 16 pictures
// chosen at random, scrolling to the left: every change of the time's whole
// part moves the row on by one column, a new random column entering at the
// right, while a small pixel offset follows the time as well.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "effects/cBitmap.h"
#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"
#include "show/catalogue.h"

class cBinaryBg : public cEffect {
public:
    static constexpr int kCellCount = 81;
    static constexpr int kPictureCount = show::kBinaryColumnCount;
    static constexpr int kColumnPitch = 4;

    // Loads the column pictures (show/catalogue.h) and chooses the cells.
    cBinaryBg(int width, int height);
    ~cBinaryBg() override;

    // Draws the row at the time t, then shifts it when the whole part of t
    // (modulo 16) has changed since the last shift. Returns 0 when not ready,
    // else 1.
    int draw(DynamicSurface& target, float t);

    // What draw changes, without drawing: the offset and the shift.
    void skipDraw(float t);

    struct Progress {
        std::array<int32_t, kCellCount> cells;
        int32_t offset, lastShift;
    };
    Progress progress() const { return {cells, offset, lastShift}; }
    void resume(const Progress& p) {
        cells = p.cells;
        offset = p.offset;
        lastShift = p.lastShift;
    }

    int cell(int index) const { return cells[index]; }
    int getOffset() const { return offset; }

private:
    // Adds the whole band, its left edge at x, row by row: the cells lie side
    // by side, so this is every picture drawn at its place.
    void addBand(DynamicSurface& target, int x);
    // Moves the row on when the whole part of t has changed.
    void shift(float t);

    std::array<int32_t, kCellCount> cells;
    std::array<std::unique_ptr<cBitmap>, kPictureCount> stripes;
    int32_t offset;
    int32_t lastShift;
    // When every picture is one pitch wide and all are equally tall, their
    // pixels: row y of picture p at (p x stripeHeight + y) x kColumnPitch.
    std::vector<uint32_t> stripePixels;
    int stripeHeight = 0;
};
