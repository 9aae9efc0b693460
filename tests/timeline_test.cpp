#include "shell/timeline.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <utility>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "shell/show.h"
#include "show/score.h"
#include "support/in_build_tree.h"

namespace {

// A song whose position after each frame follows a script; the script is
// asked with the number of frames presented so far.
class ScriptedSong : public SongPosition {
public:
    using Script = std::function<std::pair<int, int>(long frames)>;
    ScriptedSong(Script script, const long& frames) : script(std::move(script)), frames(frames) {}
    int order() override { return script(frames).first; }
    int row() override { return script(frames).second; }

private:
    Script script;
    const long& frames;
};

struct Frame {
    int scene;
    ShowClocks clocks;
    ScrollState scroll;
};

class FrameLog : public ShowObserver {
public:
    void sceneStarted(int scene, int) override { scenes.push_back(scene); }
    void framePresented(DynamicSurface&, const FrameInfo& info) override {
        frames.push_back({info.scene, info.clocks, info.scroll});
        ++count;
    }
    std::vector<int> scenes;
    std::vector<Frame> frames;
    long count = 0;
};

class ShowTimeline : public InBuildTree<> {
protected:

    // Runs the whole show on the offscreen console with the scripted song.
    bool play(ScriptedSong::Script script, double frameTime = 1.0 / 60) {
        ScriptedSong song(std::move(script), log.count);
        ShowConfig config;
        config.offscreen = true;
        config.choices.output = FSOUND_OUTPUT_OFFLINE;
        config.fixedFrameTime = frameTime;
        config.observer = &log;
        config.songPosition = &song;
        return runShow(config);
    }

    FrameLog log;
};

}  // namespace

TEST_F(ShowTimeline, FirstFrameDrawsSceneOneWhateverTheSongSays) {
    ASSERT_TRUE(play([](long frames) { return std::make_pair(frames < 2 ? 5 : -1, 0); }));
    EXPECT_EQ(log.scenes, (std::vector<int>{1, 2}));
    EXPECT_EQ(log.count, 2);
}

TEST_F(ShowTimeline, SkipsEveryScenePassedInOneFrame) {
    ASSERT_TRUE(play([](long frames) { return std::make_pair(frames < 2 ? Timeline::firstOrder(5) : -1, 0); }));
    EXPECT_EQ(log.scenes, (std::vector<int>{1, 5}));
}

TEST_F(ShowTimeline, NegativeOrderEndsTheShowAfterThatFrame) {
    ASSERT_TRUE(play([](long) { return std::make_pair(-1, 0); }));
    EXPECT_EQ(log.scenes, (std::vector<int>{1}));
    EXPECT_EQ(log.count, 1);
}

TEST_F(ShowTimeline, RowIsPolledOnlyInTheFinalScene) {
    // Row 63 from the start: scene 1 still runs, scene 8 ends after its first frame.
    const int last = Timeline::firstOrder(kSceneCount);
    ASSERT_TRUE(play([last](long frames) { return std::make_pair(frames < 3 ? 0 : last, 63); }));
    EXPECT_EQ(log.scenes, (std::vector<int>{1, kSceneCount}));
    EXPECT_EQ(log.count, 4);
}

TEST_F(ShowTimeline, FinalSceneRunsUntilRow63) {
    const int last = Timeline::firstOrder(kSceneCount);
    ASSERT_TRUE(play([last](long frames) { return std::make_pair(last, frames < 5 ? 62 : 63); }));
    EXPECT_EQ(log.scenes, (std::vector<int>{1, kSceneCount}));
    EXPECT_EQ(log.count, 5);
}

TEST_F(ShowTimeline, ClocksFollowTheirScenes) {
    // Two frames per scene, each 0.35 s long, through every scene: after a
    // scene's first frame the song stays on the scene's first order, after its
    // second it moves to the next scene's.
    ASSERT_TRUE(play(
        [](long shown) {
            int scene = static_cast<int>((shown - 1) / 2) + 1;
            if (shown % 2 == 1) return std::make_pair(Timeline::firstOrder(scene), 0);
            return scene < kSceneCount ? std::make_pair(Timeline::firstOrder(scene + 1), 0)
                                       : std::make_pair(Timeline::firstOrder(scene), 63);
        },
        0.35));
    ASSERT_EQ(log.scenes, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(log.frames.size(), 16u);
    const std::vector<Frame>& f = log.frames;

    // Scene 3: the scroller starts at 2240 and a 0.35 s frame moves it 54 pixels.
    EXPECT_EQ(f[4].scroll.scrollX, 2240);
    EXPECT_EQ(f[5].scroll.scrollX, 2240 - 54);
    // Scene 5: the main clock stands still.
    EXPECT_EQ(f[8].scene, 5);
    EXPECT_EQ(f[8].clocks.mainClock, f[9].clocks.mainClock);
    EXPECT_GT(f[9].clocks.binaryBgClock, f[8].clocks.binaryBgClock);
    // Scene 6: the 3D tunnel's first step is 0, then 0.4 x the frame time.
    EXPECT_EQ(f[10].scene, 6);
    EXPECT_EQ(f[10].clocks.tunnel3DStep, 0.0f);
    EXPECT_FLOAT_EQ(f[11].clocks.tunnel3DStep, static_cast<float>(kTunnelClockRate * 0.35));
    // The second fade starts from 0 in scene 7; the first one ran only in scene 2.
    EXPECT_EQ(f[12].clocks.fadeBClock, 0.0f);
    EXPECT_EQ(f[2].clocks.fadeAClock, 0.0f);
    EXPECT_FLOAT_EQ(f[3].clocks.fadeAClock, static_cast<float>(kFadeClockRate * 0.35));
    EXPECT_FLOAT_EQ(f[15].clocks.fadeAClock, 2 * f[3].clocks.fadeAClock);
    // Scene 8: the film strip starts at 0 and moves left.
    EXPECT_EQ(f[14].scroll.scrollX, 0);
    EXPECT_LT(f[15].scroll.scrollX, 0);
}

TEST(SceneScript, ScenesFollowEachOtherThroughTheSongAndThereAreNoOthers) {
    EXPECT_EQ(Timeline::firstOrder(1), 0);
    for (int scene = 2; scene <= kSceneCount; ++scene)
        EXPECT_GT(Timeline::firstOrder(scene), Timeline::firstOrder(scene - 1));
    EXPECT_LT(Timeline::firstOrder(kSceneCount), show::kSongOrders);
    EXPECT_THROW(Timeline::firstOrder(0), DynamicError);
    EXPECT_THROW(Timeline::firstOrder(kSceneCount + 1), DynamicError);
}

TEST(ScrollState, MovesOneStepPerWholeTenthOfASecond) {
    ScrollState scroll;
    scroll.scrollX = 2240;
    scroll.advance(0.35, 18);
    EXPECT_EQ(scroll.scrollX, 2240 - 54);
    EXPECT_NEAR(scroll.scrollAccumulator, 0.05, 1e-6);

    ScrollState slow;
    slow.advance(0.1, 18);
    EXPECT_EQ(slow.scrollX, 0);
    slow.advance(0.01, 18);
    EXPECT_EQ(slow.scrollX, -18);
}
