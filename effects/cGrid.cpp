#include "effects/cGrid.h"

#include <algorithm>
#include <cstddef>

#include "platform/display/DynamicError.h"

namespace {

constexpr uint32_t kLineColour = 0x00ffffff;
constexpr int kLineCount = 7;
constexpr int kRowSpacing = 30;
constexpr int kColumnSpacing = 40;

}  // namespace

cGrid::cGrid(int width, int height) : cEffect(width, height) { ready = 1; }

void cGrid::update(float t) {
    if (mode == GROW) {
        advanceStepClock(lastTime, t, [this] {
            ++hEnd;
            ++vEnd;
        });
    } else if (mode == RETRACT) {
        advanceStepClock(lastTime, t, [this] {
            ++hStart;
            ++vStart;
        });
    }
    done = (hEnd > width || hStart > width) ? 1 : 0;
}

int cGrid::draw(DynamicSurface& target) {
    if (!ready) return 0;
    if (target.format().bytes() != 4) throw DynamicError("cGrid: the target must be 32-bit");
    const int targetWidth = target.width();
    const int targetHeight = target.height();

    // Horizontal spans leave out their upper end; vertical spans include it.
    for (int line = 1; line <= kLineCount; ++line) {
        const int y = line * kRowSpacing;
        auto* pixels = static_cast<uint32_t*>(target.lock());
        const int lo = std::max(std::min(hStart, hEnd), 0);
        const int hi = std::min(std::max(hStart, hEnd), targetWidth);
        // A line below a small target is left out rather than written past it.
        if (y < targetHeight) {
            uint32_t* row = pixels + static_cast<size_t>(y) * targetWidth;
            for (int x = lo; x < hi; ++x) row[x] = kLineColour;
        }
        target.unlock();
    }
    for (int line = 1; line <= kLineCount; ++line) {
        const int x = line * kColumnSpacing;
        auto* pixels = static_cast<uint32_t*>(target.lock());
        const int lo = std::max(std::min(vStart, vEnd), 0);
        const int hi = std::min(std::max(vStart, vEnd), targetHeight - 1);
        if (x < targetWidth) {
            for (int y = lo; y <= hi; ++y) pixels[static_cast<size_t>(y) * targetWidth + x] = kLineColour;
        }
        target.unlock();
    }
    return 1;
}
