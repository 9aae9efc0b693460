// A picture held in an off-screen surface, drawn onto a target at an integer
// position, clipped to a rectangle, in one of four blend modes. The picture
// is either 8-bit (one byte per pixel) or 32-bit 0x00RRGGBB; the target must
// have the same pixel size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/cEffect.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicSurface.h"

class cBitmap : public cEffect {
public:
    // Blend modes: s is the picture pixel, d the target pixel.
    enum Mode {
        MODE_COPY = 0,         // d = s
        MODE_TRANSPARENT = 1,  // d = s where s is not 0
        MODE_ADDITIVE = 2,     // d + s, each channel limited to 255
        MODE_INVERT = 3,       // d = NOT d where s is not 0
    };

    // Loads the picture file and converts it to the given format. The clip
    // rectangle is (0, 0)-(width, height).
    cBitmap(int width, int height, const char* fileName, int mode, const DynamicFormat& format);
    // A blank picture of the given size and format.
    cBitmap(int width, int height, int mode, int pictureWidth, int pictureHeight, const DynamicFormat& format);
    ~cBitmap() override;

    // Draws the picture with its top-left corner at (x, y) of target. Returns
    // 0 when not ready or when the picture lies wholly outside the clip
    // rectangle, else 1. Throws DynamicError instead of drawing onto a target
    // whose pixel size differs from the picture's.
    int draw(DynamicSurface& target, int x, int y);

    // Replaces the picture's pixels with those of a picture file.
    int load(const char* fileName);

    int getWidth() override;
    int getHeight() override;

    // For callers that write into the picture directly.
    void* lock();
    void unlock();

    void setMode(int newMode) { mode = newMode; }
    int getMode() const { return mode; }
    DynamicFormat& format() { return format_; }

private:
    // Stretches of a picture row holding pixels that are not 0, the columns
    // [first, last); short gaps are folded in. Blends that leave the target
    // alone under a 0 pixel draw only these.
    struct LitRun {
        int32_t first;
        int32_t last;
    };
    void findLitRuns();

    int32_t mode;
    std::unique_ptr<DynamicSurface> picture;
    DynamicFormat format_;
    int32_t bytesPerPixel;  // 1 or 4, from format_

    std::vector<LitRun> litRuns;
    std::vector<uint32_t> rowFirstRun;  // runs of row y: [rowFirstRun[y], rowFirstRun[y + 1])
    bool litRunsKnown = false;
    int callerLocks = 0;  // while a caller may write, the runs are not trusted
};
