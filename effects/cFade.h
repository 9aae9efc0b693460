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

    // What draw changes, without drawing.
    void skipDraw(float t);

    struct Progress {
        cGrid::Progress grid;
        cPlasma::Progress plasma;
        int32_t state, level;
        float stepTime, plasmaTime;
    };
    Progress progress() const { return {grid->progress(), plasma->progress(), state, level, stepTime, plasmaTime}; }
    void resume(const Progress& p) {
        grid->resume(p.grid);
        plasma->resume(p.plasma);
        state = p.state;
        level = p.level;
        stepTime = p.stepTime;
        plasmaTime = p.plasmaTime;
    }

    int getState() const { return state; }
    int getLevel() const { return level; }
    float getStepTime() const { return stepTime; }
    // While dissolving, the time the dissolve began; afterwards its duration.
    float getPlasmaTime() const { return plasmaTime; }

private:
    // One act's step at t, drawn onto target unless it is null.
    void run(DynamicSurface* target, float t);
    void dissolve(DynamicSurface* target, float t);

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
