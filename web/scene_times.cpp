#include "scene_times.h"

#include <emscripten.h>

#include <sstream>

#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "shell/assets.h"
#include "shell/sync.h"
#include "shell/timeline.h"

namespace {

// The song standing at a scene's first order, its row moving on each frame
// so the beat pulse fires as it does in the show.
class SteppingSong : public SongPosition {
public:
    int order() override { return order_; }
    int row() override { return row_ = (row_ + 1) % 64; }
    void moveTo(int order) { order_ = order; }

private:
    int order_ = 0;
    int row_ = 0;
};

struct SceneStart {
    int firstOrder;
    int entry;  // the scene whose entry step sets the background and scroll
};
const SceneStart kScenes[9] = {{}, {0, 1}, {3, 1}, {7, 1}, {14, 4}, {18, 4}, {22, 6}, {26, 6}, {31, 8}};

}  // namespace

std::string timeScenes(int frames) {
    DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    DynamicArea srcArea(0, 0, 320, 240);
    DynamicArea dstArea(0, 0, 320, 240);
    DynamicConsole console;
    console.option("offscreen output");
    console.open("scene times", 320, 240, format, 0);
    ShowAssets assets(console, format);
    DynamicTimer timer;
    SteppingSong song;
    Timeline timeline(assets, console, timer, song, srcArea, dstArea);

    std::ostringstream json;
    json << "{\"scenes\":{";
    for (int scene = 1; scene <= 8; ++scene) {
        song.moveTo(kScenes[scene].firstOrder);
        timeline.enterScene(kScenes[scene].entry);
        double started = 0;
        for (int frame = -frames / 4; frame < frames; ++frame) {
            if (frame == 0) started = emscripten_get_now();
            timeline.composeScene(scene);
            presentFrame(assets.frameSurface, console);
            timeline.advanceScene(scene, 1.0 / 60);
        }
        const double microseconds = (emscripten_get_now() - started) * 1000.0 / frames;
        json << (scene > 1 ? "," : "") << "\"" << scene << "\":" << microseconds;
    }
    json << "}}";
    console.close();
    return json.str();
}
