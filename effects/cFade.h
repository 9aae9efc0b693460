// Brings a full-frame picture onto the frame in three acts: a grid of white
// lines grows across it, the picture dissolves in through an animated plasma
// mask, then the picture stands whole while the grid retracts.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/cEffect.h"
#include "effects/cGrid.h"
#include "effects/cPlasma.h"
#include "platform/display/DynamicSurface.h"

class cFade : public cEffect {
public:
    enum State { GRID_GROWING = 1, DISSOLVING = 2, RETRACTING = 3 };

    // Loads the picture file into a width x height 32-bit picture.
    cFade(int width, int height, const char* fileName);

    // Runs the current act onto target at the caller's accumulated time t
    // (0 when the scene starts). Returns 0 when not ready.
    int draw(DynamicSurface& target, float t);

    int getState() const { return state; }
    int getLevel() const { return level; }
    float getStepTime() const { return stepTime; }
    // While dissolving, the time the dissolve began; afterwards its duration.
    float getPlasmaTime() const { return plasmaTime; }

private:
    void dissolve(DynamicSurface& target, float t);

    // The table comes first: the plasma reads it until it is destroyed.
    std::unique_ptr<float[]> table;
    std::unique_ptr<DynamicSurface> picture;
    std::unique_ptr<cGrid> grid;
    std::unique_ptr<cPlasma> plasma;
    int32_t state = 0;
    int32_t level = 0;
    float stepTime = 0.0f;
    float plasmaTime = 0.0f;
};
