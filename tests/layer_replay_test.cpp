// Every layer of every scene, drawn for a few seconds of frames in one show,
// leaves the effects exactly as the same frames replayed without drawing
// leave them in another: the generator, the matrix columns, the binary band,
// the dots, the plasma, both fades and the 3D tunnel. A seek replays these
// layers, so any difference would show as a different frame after it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "effects/showRandom.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "platform/display/ptc.h"
#include "shell/assets.h"
#include "shell/scene_frames.h"
#include "shell/timeline.h"
#include "support/in_build_tree.h"

namespace {

constexpr int kFrames = 150;
constexpr double kFrameTime = 1.0 / 30;

// A state's words, to compare bit for bit (every field is 4 bytes wide).
template <class T>
std::vector<uint32_t> words(const T& state) {
    static_assert(sizeof(T) % 4 == 0, "a state of 4-byte fields");
    std::vector<uint32_t> out(sizeof(T) / 4);
    std::memcpy(out.data(), &state, sizeof(T));
    return out;
}

using EffectStates = std::vector<std::pair<std::string, std::vector<uint32_t>>>;

EffectStates effectStates(ShowAssets& a) {
    return {{"the generator", {showRandSeed()}},
            {"the matrix columns", words(a.matrixWriter->progress())},
            {"the binary band", words(a.binaryBg->progress())},
            {"the dots", {static_cast<uint32_t>(a.randomDots->shownPattern())}},
            {"the plasma", words(a.plasma->progress())},
            {"the first fade", words(a.fadeA->progress())},
            {"the second fade", words(a.fadeB->progress())},
            {"the 3D tunnel", words(a.tunnel3D->progress())}};
}

// One loaded show: its assets and its script on a stepping song.
struct Show {
    explicit Show(DynamicConsole& console, const DynamicFormat& format) {
        // Both shows build their effects from the same sequence.
        showRandReset();
        assets = std::make_unique<ShowAssets>(console, format);
        timeline = std::make_unique<Timeline>(*assets, console, timer, song, srcArea, dstArea);
        timeline->resetShow();  // keeps the state just built as the show's start
    }

    // `frames` frames of `scene` from its start, every layer but `drawn`
    // (none when -1) replayed; the effects' states after them.
    EffectStates play(int scene, int drawn) {
        for (size_t layer = 0; layer < Timeline::layers(scene).size(); ++layer) {
            timeline->showLayer(scene, static_cast<int>(layer), static_cast<int>(layer) == drawn);
        }
        timeline->resetShow();
        startScene(*timeline, song, scene);
        for (int frame = 0; frame < kFrames; ++frame) {
            timeline->composeScene(scene);
            timeline->advanceScene(scene, kFrameTime);
        }
        return effectStates(*assets);
    }

    DynamicArea srcArea{0, 0, 320, 240};
    DynamicArea dstArea{0, 0, 320, 240};
    DynamicTimer timer;
    SteppingSong song;
    std::unique_ptr<ShowAssets> assets;
    std::unique_ptr<Timeline> timeline;
};

class LayerReplay : public InBuildTree<::testing::TestWithParam<int>> {
protected:
    static void SetUpTestSuite() {
        ptc_error_set_message_box(0);
        console = new DynamicConsole;
        console->option("offscreen output");
        console->open("layers", 320, 240, format, 0);
    }
    static void TearDownTestSuite() {
        delete console;
        console = nullptr;
    }

    static inline DynamicFormat format{32, 0xff0000, 0x00ff00, 0x0000ff, 0};
    static inline DynamicConsole* console = nullptr;
};

TEST_P(LayerReplay, EachLayerDrawnLeavesTheStateItsReplayLeaves) {
    const int scene = GetParam();
    Show drawing(*console, format);
    Show replaying(*console, format);
    const EffectStates replayed = replaying.play(scene, -1);
    const std::vector<Layer>& layers = Timeline::layers(scene);
    for (size_t layer = 0; layer < layers.size(); ++layer) {
        const EffectStates drawn = drawing.play(scene, static_cast<int>(layer));
        for (size_t effect = 0; effect < drawn.size(); ++effect) {
            EXPECT_EQ(drawn[effect].second, replayed[effect].second)
                << "scene " << scene << ", layer \"" << layers[layer].name << "\": " << drawn[effect].first
                << " drawn is not as replayed";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, LayerReplay, ::testing::Range(1, kSceneCount + 1));

}  // namespace
