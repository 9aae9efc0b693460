// The base of every effect: a ready flag, the size of the picture the effect
// produces, and a drawing area. Each effect's draw is its own non-virtual
// operation, called directly on the concrete class.
#pragma once

#include <cstdint>

#include "platform/display/DynamicArea.h"

class cEffect {
public:
    cEffect(int width, int height) : ready(0), width(width), height(height), area(0, 0, width, height) {}
    cEffect(const cEffect&) = delete;
    cEffect& operator=(const cEffect&) = delete;
    virtual ~cEffect() = default;

    virtual void setArea(const DynamicArea& a) { area = a; }
    virtual int getWidth() { return width; }
    virtual int getHeight() { return height; }
    virtual int isReady() { return ready; }

protected:
    int32_t ready;
    int32_t width;
    int32_t height;
    DynamicArea area;
};

// A float rounded to the nearest integer, ties to even, low 8 bits returned:
// indexes 256-entry tables with a float phase. NaN and infinities give 0.
uint8_t roundToByte(float x);

// x truncated toward zero, of which the bits in mask (a power of two minus 1)
// are returned, as "(int)x & mask" would give for any x in int range; beyond
// it the low bits of the exact integer, and 0 for NaN and infinities.
int truncateAndMask(float x, int mask);

// The step clock: calls step() once for each whole 0.1 by which t is ahead of
// last, carrying the remainder. The sum is single precision, the comparison
// is against the double 0.1.
template <typename Step>
void advanceStepClock(float& last, float t, Step step) {
    float remaining = t - last;
    while (remaining > 0.1) {
        const float next = remaining - 0.1f;
        // Once remaining is too large (or infinite) for 0.1 to register, the
        // loop would never end; the steps taken so far stand.
        if (!(next < remaining)) break;
        remaining = next;
        step();
        last += 0.1f;
    }
}
