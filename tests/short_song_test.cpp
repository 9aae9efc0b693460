// Songs of another length than the scene script: a song heard to its end ends
// the show, offline, live without sound and in the renderer, with a clean
// return; a song that outlasts the script still ends it on order 31, row 63.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/fmod.h"
#include "shell/offline_show.h"
#include "shell/show.h"
#include "support/image_fixtures.h"
#include "support/xm_builder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuiltData = fs::path(PEEKSTUN_BUILD_DIR) / "data";
constexpr int kFps = 10;
constexpr int64_t kRowFrames = 5292;  // 0.12 s at 44100 Hz

// The built pictures with `song` as the show's module, in a scratch tree that
// is the working directory for as long as it lives.
class TreeWithSong {
public:
    explicit TreeWithSong(const XmSong& song) : previous(fs::current_path()) {
        fs::create_directories(scratch.path("data/music"));
        fs::create_directory_symlink(kBuiltData / "gfx", scratch.path("data/gfx"));
        fs::create_directory_symlink(kBuiltData / "textures", scratch.path("data/textures"));
        writeXmFile(scratch.path("data/music/peekstun.xm"), buildXm(song));
        fs::current_path(scratch.path(""));
    }
    ~TreeWithSong() { fs::current_path(previous); }

    std::string path(const std::string& name) const { return scratch.path(name); }

private:
    ScratchDir scratch;
    fs::path previous;
};

// The scenes' starts and the sound of an offline run, stopped well after the
// script's end so that a show that never ends fails the test.
class ScenesAndSound : public OfflineShow {
public:
    ScenesAndSound() : OfflineShow(kFps) {}
    void sceneStarted(int scene, int order) override { starts.push_back({scene, order}); }
    bool wantsMoreFrames() override { return frameCount() < 3000; }

    std::vector<std::pair<int, int>> starts;
    int64_t soundFrames = 0;

private:
    void frameRendered(DynamicSurface&, const FrameInfo&, const int16_t*, size_t count) override {
        soundFrames += static_cast<int64_t>(count);
    }
};

class ShortSong : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kBuiltData / "gfx")) GTEST_SKIP() << "no data/ in the build tree";
    }
};

TEST_F(ShortSong, OfflineShowEndsWhenTheSongHasBeenHeard) {
    // Five orders of eight rows: 4.8 s, ending in scene 2.
    TreeWithSong tree(clickSong(5, 8));
    ScenesAndSound show;
    ASSERT_TRUE(show.run());
    EXPECT_EQ(show.starts, (std::vector<std::pair<int, int>>{{1, 0}, {2, 3}}));
    // The frame whose sound reaches the end of the song is the last.
    EXPECT_EQ(show.frameCount(), 48);
    EXPECT_EQ(show.soundFrames, 40 * kRowFrames);
}

TEST_F(ShortSong, ASongLongerThanTheScriptStillEndsOnOrder31Row63) {
    TreeWithSong tree(clickSong(33));
    ScenesAndSound show;
    ASSERT_TRUE(show.run());
    EXPECT_EQ(show.starts,
              (std::vector<std::pair<int, int>>{{1, 0}, {2, 3}, {3, 7}, {4, 14}, {5, 18}, {6, 22}, {7, 26}, {8, 31}}));
    // Row 63 of order 31 begins at 245.64 s: the frame whose sound reaches it is the last.
    EXPECT_EQ(show.frameCount(), 2457);
}

// When the song could start (loading done) and when the show ended; stops
// the show after a time limit, so that a show that never ends fails the test
// instead of hanging it.
class LiveWatch : public ShowObserver {
public:
    using Clock = std::chrono::steady_clock;
    void assetsLoaded(double) override { loaded = Clock::now(); }
    void framePresented(DynamicSurface&, const FrameInfo&) override { ++frames; }
    bool wantsMoreFrames() override { return Clock::now() - loaded < std::chrono::seconds(30); }

    long frames = 0;
    Clock::time_point loaded;
};

TEST_F(ShortSong, LiveShowWithoutSoundEndsWhenTheSongHasBeenHeard) {
    TreeWithSong tree(clickSong(1, 8));  // 0.96 s
    LiveWatch watch;
    ShowConfig config;
    config.offscreen = true;
    config.observer = &watch;
    config.choices.output = FSOUND_OUTPUT_NOSOUND;
    EXPECT_TRUE(runShow(config));
    const double seconds = std::chrono::duration<double>(LiveWatch::Clock::now() - watch.loaded).count();
    EXPECT_GT(watch.frames, 1);
    EXPECT_GE(seconds, 0.9) << "ended before the song";
    EXPECT_LT(seconds, 20.0) << "ran on after the song";
}

TEST_F(ShortSong, RendererStopsAtTheSongsEndAndSucceeds) {
    const std::string render = PEEKSTUN_BUILD_DIR "/peekstun-render";
    if (!fs::exists(render)) GTEST_SKIP() << "the renderer is not built";
    TreeWithSong tree(clickSong(5, 8));
    const std::string wav = tree.path("sound.wav");
    const std::string command =
        "timeout 120 " + render + " --quiet --fps " + std::to_string(kFps) + " --to 100 --wav " + wav + " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // All of the song and not a frame more (the writing would stop at 100 s):
    // 16-bit stereo behind a 44-byte header.
    EXPECT_EQ(fs::file_size(wav), 44u + 40u * kRowFrames * 4u);
}

}  // namespace
