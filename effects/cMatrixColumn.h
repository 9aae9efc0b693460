// One falling stripe of the matrix writer: a picture that moves down by its
// speed at every step of its clock and, once wholly below the area,
// re-enters just above the top edge at a random column.
#pragma once

#include <cstdint>

#include "effects/cBitmap.h"
#include "platform/display/DynamicSurface.h"

class cMatrixColumn {
public:
    // Starts with the stripe's bottom edge on the bottom of the area, at a
    // random column and with a random speed of 3 to 5 (drawn in that order).
    // Throws DynamicError when areaWidth is below 1 or there is no bitmap.
    // The bitmap is not owned.
    cMatrixColumn(int areaWidth, int areaHeight, cBitmap* bitmap);

    // Draws the stripe at (x, y), clipped by the picture.
    void draw(DynamicSurface& target);
    // Moves the stripe by one step for each 0.1 that t is ahead of the last step.
    void update(float t);

    int getX() const { return x; }
    int getY() const { return y; }
    int getSpeed() const { return speed; }
    // Where it is and how it moves: all a replay needs to restore.
    struct Progress {
        int32_t x, y, speed;
        float lastTime;
    };
    Progress progress() const { return {x, y, speed, lastTime}; }
    void resume(const Progress& p) {
        x = p.x;
        y = p.y;
        speed = p.speed;
        lastTime = p.lastTime;
    }

    // Places the stripe, for callers that need a known starting point.
    void moveTo(int newX, int newY) {
        x = newX;
        y = newY;
    }

private:
    void step();

    cBitmap* bitmap;
    int32_t areaWidth;
    int32_t areaHeight;
    int32_t x;
    int32_t y;
    int32_t speed;
    float lastTime;
};
