#include "effects/cBinaryBg.h"

#include <string>

#include "effects/showRandom.h"

cBinaryBg::cBinaryBg(int width, int height) : cEffect(width, height), offset(0), lastShift(0) {
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    for (int i = 0; i < kPictureCount; ++i) {
        const std::string fileName = "data/gfx/binary_bg" + std::to_string(i + 1) + ".tga";
        stripes[i] = std::make_unique<cBitmap>(width, height, fileName.c_str(), cBitmap::MODE_ADDITIVE, frameFormat);
    }
    for (int32_t& cell : cells) cell = showRand() % kPictureCount;
    ready = 1;
}

cBinaryBg::~cBinaryBg() = default;

int cBinaryBg::draw(DynamicSurface& target, float t) {
    if (!ready) return 0;
    offset = truncateAndMask(t, 3);

    int x = 1 - offset;
    for (int i = 0; i < kCellCount; ++i) {
        stripes[cells[i]]->draw(target, x, 1);
        x += kColumnPitch;
    }

    // Shifting after drawing: a frame shows the cells as they were before it.
    const int shift = truncateAndMask(t, 15);
    if (shift != lastShift) {
        for (int i = 0; i < kCellCount - 1; ++i) cells[i] = cells[i + 1];
        cells[kCellCount - 1] = showRand() % kPictureCount;
        lastShift = shift;
    }
    return 1;
}
