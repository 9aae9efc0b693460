#include "effects/cFade.h"

#include "effects/cBitmap.h"
#include "platform/display/DynamicFormat.h"

cFade::cFade(int width, int height, const char* fileName) : cEffect(width, height) {
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    picture = std::make_unique<DynamicSurface>(width, height, frameFormat);
    {
        cBitmap loaded(width, height, fileName, cBitmap::MODE_COPY, frameFormat);
        loaded.draw(*picture, 0, 0);
    }
    grid = std::make_unique<cGrid>(width, height);
    table = std::make_unique<float[]>(256);
    fillPlasmaTable(table.get(), 64);
    plasma = std::make_unique<cPlasma>(width, height, table.get());
    plasma->setSpeeds(8.6f, 8.3f);
    plasma->setSteps(0.6f, 0.1f, 0.4f, 0.3f);
    level = 0;
    state = GRID_GROWING;
    ready = 1;
}

int cFade::draw(DynamicSurface& target, float t) {
    if (!ready) return 0;
    run(&target, t);
    return 1;
}

void cFade::skipDraw(float t) {
    if (ready) run(nullptr, t);
}

void cFade::run(DynamicSurface* target, float t) {
    switch (state) {
        case GRID_GROWING:
            if (target) grid->draw(*target);
            grid->update(t);
            if (grid->isDone()) {
                state = DISSOLVING;
                grid->setMode(cGrid::RETRACT);
                stepTime = t;
                plasmaTime = t;
            }
            break;
        case DISSOLVING:
            dissolve(target, t);
            break;
        case RETRACTING:
            if (target) {
                picture->copy(*target);
                grid->draw(*target);
            }
            // Without the dissolve's duration the grid's clock carries on
            // from where it stopped when the dissolve began.
            grid->update(t - plasmaTime);
            break;
        default:
            break;
    }
}

void cFade::dissolve(DynamicSurface* target, float t) {
    plasma->update(t - stepTime);
    advanceStepClock(stepTime, t, [this] {
        if (state != DISSOLVING) return;  // steps after the last only move the clock
        if (level < 255) {
            ++level;
            return;
        }
        state = RETRACTING;
        // The duration counts this step's own 0.1, which the clock adds to
        // stepTime right after this call.
        plasmaTime = (stepTime + 0.1f) - plasmaTime;
    });
    if (!target) return;
    plasma->drawReveal(*target, *picture, static_cast<uint8_t>(level));
    grid->draw(*target);
}
