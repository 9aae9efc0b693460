// The picture reveal's white lines: 7 horizontal lines (y = 30, 60, ..., 210)
// and 7 vertical ones (x = 40, 80, ..., 280) whose extents grow from the
// top-left corner one pixel per 0.1 time units, then retract the same way.
#pragma once

#include <cstdint>

#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"

class cGrid : public cEffect {
public:
    enum Mode { GROW = 1, RETRACT = 2 };

    cGrid(int width, int height);

    // Draws the lines onto a 32-bit target, clipped to it. Returns 0 when not ready.
    int draw(DynamicSurface& target);
    // The step clock: each 0.1 by which t is ahead of the last step moves the
    // far ends (growing) or the near ends (retracting) on by one pixel. Any
    // other mode holds still.
    void update(float t);

    void setMode(int m) { mode = m; }
    // 1 once a horizontal end has passed width.
    int isDone() const { return done; }

    int getHStart() const { return hStart; }
    int getHEnd() const { return hEnd; }
    int getVStart() const { return vStart; }
    int getVEnd() const { return vEnd; }
    float getLastTime() const { return lastTime; }

    struct Progress {
        int32_t hStart, hEnd, vStart, vEnd, mode, done;
        float lastTime;
    };
    Progress progress() const { return {hStart, hEnd, vStart, vEnd, mode, done, lastTime}; }
    void resume(const Progress& p) {
        hStart = p.hStart;
        hEnd = p.hEnd;
        vStart = p.vStart;
        vEnd = p.vEnd;
        mode = p.mode;
        done = p.done;
        lastTime = p.lastTime;
    }

private:
    int32_t hStart = 0;
    int32_t hEnd = 1;
    int32_t vStart = 0;
    int32_t vEnd = 1;
    int32_t mode = GROW;
    int32_t done = 0;
    float lastTime = 0.0f;
};
