#include "scene_times.h"

#include <emscripten.h>

#include <sstream>

#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "shell/assets.h"
#include "shell/scene_frames.h"
#include "shell/timeline.h"

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
    for (int scene = 1; scene <= kSceneCount; ++scene) {
        startScene(timeline, song, scene);
        double started = 0;
        for (int frame = -frames / 4; frame < frames; ++frame) {
            if (frame == 0) started = emscripten_get_now();
            drawSceneFrame(timeline, assets, console, scene);
        }
        const double microseconds = (emscripten_get_now() - started) * 1000.0 / frames;
        json << (scene > 1 ? "," : "") << "\"" << scene << "\":" << microseconds;
    }
    json << "}}";
    console.close();
    return json.str();
}
