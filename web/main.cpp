// The page's program. With no arguments it shows the launcher, plays the show
// in the page's canvas on Run, and returns to the launcher when it ends. With --render it runs the show offline at a
// fixed frame rate, as the renderer does, and reports to the page: the checksum of each frame asked for, and the time
// each scene's frames took; --from N starts at frame N, the show before it replayed without drawing; --show N then
// leaves frame N on the canvas and stops there. With --scenes N it times N
// frames of each scene (scene_times.h) and reports them.
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialog/windows.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicSurface.h"
#include "shell/frame_checksum.h"
#include "shell/launcher.h"
#include "shell/offline_show.h"
#include "shell/player_commands.h"
#include "shell/show.h"
#include "web/player_calls.h"
#include "web/scene_times.h"

// clang-format off
EM_JS(void, webReport, (const char* json), {
    const report = JSON.parse(UTF8ToString(json));
    if (Module.peekstunReport) Module.peekstunReport(report);
});
// What the page shows around the program: "launcher", "show" or "ended".
EM_JS(void, webPageState, (const char* state), {
    if (Module.peekstunState) Module.peekstunState(UTF8ToString(state));
});
// clang-format on

namespace {

struct RenderRequest {
    int fps = 10;
    long from = 0;  // the first frame drawn, the show replayed up to it
    std::vector<long> checked;
    long shown = -1;
};

class PageRender : public OfflineShow {
public:
    explicit PageRender(const RenderRequest& request) : OfflineShow(request.fps), request(request) {
        for (long frame : request.checked) sums[frame] = 0;
    }

    std::map<long, uint64_t> sums;
    std::map<int, std::pair<double, long>> sceneTimes;  // milliseconds and frames per scene
    std::vector<uint32_t> shownFrame;
    // A start part-way: the replay's time, and the time from the pictures
    // loaded to the replay's end (the song's row table, measured by the first
    // seek, among it); -1 without one.
    double seekMilliseconds = -1;
    double seekSetupMilliseconds = -1;

private:
    void assetsLoaded(double) override { loadedAt = emscripten_get_now(); }
    void sceneReplayed(int, int, int64_t frame) override {
        if (frame == 0) replayStartedAt = emscripten_get_now();
    }
    void frameSought(long) override {
        const double now = emscripten_get_now();
        seekMilliseconds = now - replayStartedAt;
        seekSetupMilliseconds = now - loadedAt;
    }

    void frameRendered(DynamicSurface& frame, const FrameInfo& info, const int16_t*, size_t) override {
        const double now = emscripten_get_now();
        if (lastFrameAt > 0) {
            auto& [milliseconds, frames] = sceneTimes[info.scene];
            milliseconds += now - lastFrameAt;
            ++frames;
        }
        lastFrameAt = now;
        const uint32_t* pixels = static_cast<const uint32_t*>(frame.lock());
        auto found = sums.find(frameCount());
        if (found != sums.end()) found->second = frameChecksum(pixels, 320 * 240);
        if (frameCount() == request.shown) shownFrame.assign(pixels, pixels + 320 * 240);
        frame.unlock();
    }

    bool wantsMoreFrames() override { return request.shown < 0 || frameCount() <= request.shown; }

    const RenderRequest& request;
    double lastFrameAt = 0;
    double loadedAt = 0;
    double replayStartedAt = 0;
};

std::vector<long> parseFrames(const char* text) {
    std::vector<long> frames;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) frames.push_back(std::atol(item.c_str()));
    return frames;
}

// Puts one frame on the page's canvas through a console, as the show does.
void showOnCanvas(const std::vector<uint32_t>& pixels) {
    DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    DynamicConsole console;
    console.option("windowed output");
    console.open("Peekstun", 320, 240, format, 0);
    DynamicSurface surface(320, 240, format);
    std::memcpy(surface.lock(), pixels.data(), pixels.size() * 4);
    surface.unlock();
    surface.copy(console);
    console.update();
    console.close();
}

int render(const RenderRequest& request) {
    PageRender run(request);
    if (request.from > 0) run.startAtFrame(request.from);
    const double started = emscripten_get_now();
    const bool completed = run.run();
    const double elapsed = emscripten_get_now() - started;
    if (!run.shownFrame.empty()) showOnCanvas(run.shownFrame);

    std::ostringstream json;
    json << "{\"completed\":" << (completed ? "true" : "false") << ",\"frames\":" << run.frameCount()
         << ",\"fps\":" << request.fps << ",\"milliseconds\":" << elapsed
         << ",\"seekMilliseconds\":" << run.seekMilliseconds
         << ",\"seekSetupMilliseconds\":" << run.seekSetupMilliseconds << ",\"checksums\":{";
    const char* comma = "";
    for (const auto& [frame, sum] : run.sums) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(sum));
        json << comma << "\"" << frame << "\":\"" << hex << "\"";
        comma = ",";
    }
    json << "},\"scenes\":{";
    comma = "";
    for (const auto& [scene, time] : run.sceneTimes) {
        json << comma << "\"" << scene << "\":{\"milliseconds\":" << time.first << ",\"frames\":" << time.second << "}";
        comma = ",";
    }
    json << "}}";
    webReport(json.str().c_str());
    return completed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    RenderRequest request;
    bool rendering = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--render") {
            rendering = true;
        } else if (option == "--fps" && hasValue) {
            request.fps = std::atoi(argv[++i]);
        } else if (option == "--check" && hasValue) {
            request.checked = parseFrames(argv[++i]);
        } else if (option == "--from" && hasValue) {
            request.from = std::atol(argv[++i]);
        } else if (option == "--show" && hasValue) {
            request.shown = std::atol(argv[++i]);
        } else if (option == "--scenes" && hasValue) {
            const int frames = std::atoi(argv[++i]);
            webReport(timeScenes(frames > 0 ? frames : 600).c_str());
            return 0;
        }
    }
    if (rendering) {
        if (request.fps < 1 || request.fps > 1000) request.fps = 10;
        return render(request);
    }

    // The live show: the launcher, then the show, then the launcher again
    // until Quit. Each show releases everything it took when it ends.
    // Each showing opens with the choices of the one before.
    int shows = 0;
    ShowConfig config;
    try {
        for (;;) {
            webPageState("launcher");
            const std::optional<LaunchChoices> chosen = runLauncher(config.choices);
            if (!chosen) break;
            webPageState("show");
            config.choices = takePageStart(*chosen);
            // A command the page posted as the last show ended is not for this one.
            while (takePlayerCommand()) {
            }
            const bool played = runShow(config);
            ++shows;
            std::string report = "{\"ended\":true,\"shows\":" + std::to_string(shows) +
                                 ",\"played\":" + (played ? "true" : "false") + "}";
            webReport(report.c_str());
        }
    } catch (const DynamicError& error) {
        error.report();
    }
    webPageState("ended");
    webReport("{\"quit\":true}");
    return 0;
}
