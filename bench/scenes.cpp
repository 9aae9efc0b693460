// Every scene's whole frame, composed by the show's own scene code into the
// frame surface of an offscreen console and presented, its clocks advanced by
// 1/60 s after each frame, beside the least its layers must do.
#include <benchmark/benchmark.h>

#include <memory>

#include "floors.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "platform/display/ptc.h"
#include "shared_stage.h"
#include "shell/assets.h"
#include "shell/scene_frames.h"
#include "shell/timeline.h"

namespace {

// The loaded show on an offscreen console, built once for all scenes.
class Stage {
public:
    static Stage* get() { return sharedStage<Stage>(); }

    Stage() : frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0), srcArea(0, 0, 320, 240), dstArea(0, 0, 320, 240) {
        ptc_error_set_message_box(0);
        console.option("offscreen output");
        console.open("peekstun-bench", 320, 240, frameFormat, 0);
        assets = std::make_unique<ShowAssets>(console, frameFormat);
        timeline = std::make_unique<Timeline>(*assets, console, timer, song, srcArea, dstArea);
    }

    DynamicFormat frameFormat;
    DynamicArea srcArea;
    DynamicArea dstArea;
    DynamicConsole console;
    std::unique_ptr<ShowAssets> assets;
    DynamicTimer timer;
    SteppingSong song;
    std::unique_ptr<Timeline> timeline;
};

// What each scene's full-frame layers must do at least: a texel gather per
// tunnel layer, a palette lookup per canvas copy, a read-modify-write pass per
// other layer, and a memcpy to present. 1: flower, canvas copy, analog,
// static. 2: the same and the fade. 3: pulse, 2D tunnel, static. 4: pulse,
// static. 5: plasma, canvas copy, genetic, static, binary columns, greets.
// 6: pulse, 3D tunnel, static. 7: the same and the fade. 8: clear, title,
// static. Sprites, writers and dots are not full-frame layers.
const bench::FrameFloors kSceneFloors[kSceneCount + 1] = {
    {}, {3, 1, 0, 1}, {4, 1, 0, 1}, {2, 1, 1, 0}, {2, 1, 0, 0}, {5, 1, 0, 1}, {2, 1, 1, 0}, {3, 1, 1, 0}, {3, 1, 0, 0},
};

void BM_Scene(benchmark::State& state) {
    Stage* stage = Stage::get();
    if (!stage) {
        state.SkipWithError("the show cannot load: no data/ in the working directory?");
        return;
    }
    const int scene = static_cast<int>(state.range(0));
    startScene(*stage->timeline, stage->song, scene);
    for (auto _ : state) drawSceneFrame(*stage->timeline, *stage->assets, stage->console, scene);
    bench::compareWithFrameFloors(state, kSceneFloors[scene]);
}
BENCHMARK(BM_Scene)->ArgName("scene")->DenseRange(1, kSceneCount);

}  // namespace
