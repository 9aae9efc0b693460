// One scene's frames drawn outside the show, one after another, as the
// benchmarks and the page's scene timings draw them.
#pragma once

#include "platform/display/DynamicConsole.h"
#include "shell/assets.h"
#include "shell/sync.h"
#include "shell/timeline.h"
#include "show/score.h"

// The song standing at one order, its row moving on each frame so the beat
// pulse fires as it does in the show.
class SteppingSong : public SongPosition {
public:
    int order() override { return order_; }
    int row() override { return row_ = (row_ + 1) % show::kRowsPerOrder; }
    void moveTo(int order) { order_ = order; }

private:
    int order_ = 0;
    int row_ = 0;
};

// Sets a scene up as the show has it when the scene begins: the song at its
// first order, and the entry steps of every scene up to it taken (a scene
// draws on the background and scroll an earlier one set).
inline void startScene(Timeline& timeline, SteppingSong& song, int scene) {
    song.moveTo(Timeline::firstOrder(scene));
    for (int earlier = 1; earlier <= scene; ++earlier) timeline.enterScene(earlier);
}

// One frame of the scene: composed, presented, and its clocks moved on 1/60 s.
inline void drawSceneFrame(Timeline& timeline, ShowAssets& assets, DynamicConsole& console, int scene) {
    timeline.composeScene(scene);
    presentFrame(assets.frameSurface, console);
    timeline.advanceScene(scene, 1.0 / 60);
}
