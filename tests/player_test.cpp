// The player's keys on a scripted offscreen console: pause and resume, a frame
// step, scene jumps, seeks, the volume and the bar, with a song whose rows are one frame
// long at 60 frames a second.
#include "shell/player.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicKey.h"
#include "platform/display/DynamicTimer.h"
#include "platform/display/ptc.h"
#include "shell/assets.h"
#include "shell/timeline.h"
#include "show/score.h"
#include "support/in_build_tree.h"

namespace {

constexpr int kRate = 6000;  // 100 frames a row: a row a frame at 60 fps
constexpr int kRowFrames = kRate / 60;

// Plays by the frames presented; seeks and pauses are taken and logged.
class RowPerFrameSong : public SongPosition {
public:
    RowPerFrameSong() : rows_(kRate, int64_t{show::kSongOrders} * show::kRowsPerOrder * kRowFrames, everyRow()) {}
    int order() override { return rows_.rowAt(frame).order; }
    int row() override { return rows_.rowAt(frame).row; }
    bool finished() override { return frame >= rows_.length(); }
    const SongRowTable& rows() override { return rows_; }
    void seekFrame(int64_t to) override {
        frame = to;
        seeks.push_back(to);
    }
    bool setPaused(bool paused) override {
        pauses.push_back(paused);
        return true;
    }
    double volume() override { return level; }
    bool muted() override { return silent; }
    void setVolume(double to) override {
        level = to;
        volumes.push_back(to);
    }
    void setMuted(bool to) override { silent = to; }

    int64_t frame = 0;
    double level = 1;
    bool silent = false;
    std::vector<double> volumes;
    std::vector<int64_t> seeks;
    std::vector<bool> pauses;

private:
    static std::vector<SongRowTable::Row> everyRow() {
        std::vector<SongRowTable::Row> rows;
        for (int row = 0; row < show::kSongOrders * show::kRowsPerOrder; ++row) {
            rows.push_back({int64_t{row} * kRowFrames, {row / show::kRowsPerOrder, row % show::kRowsPerOrder}});
        }
        return rows;
    }

    SongRowTable rows_;
};

struct Seen {
    int scene;
    float mainClock;
    bool barShown;
};

// The show on an offscreen console; `keys` maps a presented frame's number
// to the keys typed after it, `heldKeys` a held frame's.
class PlayerShow : public ShowObserver, public InBuildTree<> {
protected:
    void SetUp() override {
        InBuildTree::SetUp();
        if (IsSkipped()) return;
        ptc_error_set_message_box(0);
        console.option("offscreen output");
        console.open("player", 320, 240, format, 0);
        assets = std::make_unique<ShowAssets>(console, format);
        timer.setFixedStep(1.0 / 60);
    }

    void play() {
        Timeline timeline(*assets, console, timer, song, srcArea, dstArea, this);
        Player player(timeline, console, timer, song, this);
        shown = &player;
        player.run();
    }

    void sceneStarted(int scene, int) override { scenes.push_back(scene); }
    void framePresented(DynamicSurface&, const FrameInfo& info) override {
        seen.push_back({info.scene, info.clocks.mainClock, console.bar().shown});
        if (!shown->paused()) song.frame += kRowFrames;
        type(keys[static_cast<long>(seen.size())]);
        for (const PlayerCommand& command : commands[static_cast<long>(seen.size())]) postPlayerCommand(command);
        statuses.push_back(latestPlayerStatus());
    }
    void frameHeld() override {
        ++held;
        EXPECT_TRUE(console.bar().shown && console.bar().paused);
        type(heldKeys[held]);
        for (const PlayerCommand& command : heldCommands[held]) postPlayerCommand(command);
    }
    bool wantsMoreFrames() override { return seen.size() < 400; }
    void type(const std::vector<int>& codes) {
        for (int code : codes) ptc_console_queue_key(console.get(), code);
    }

    DynamicFormat format{32, 0xff0000, 0x00ff00, 0x0000ff, 0};
    DynamicArea srcArea{0, 0, 320, 240};
    DynamicArea dstArea{0, 0, 320, 240};
    DynamicConsole console;
    std::unique_ptr<ShowAssets> assets;
    DynamicTimer timer;
    RowPerFrameSong song;
    Player* shown = nullptr;
    std::map<long, std::vector<int>> keys;
    std::map<int, std::vector<int>> heldKeys;
    std::map<long, std::vector<PlayerCommand>> commands;  // posted, as from another thread
    std::map<int, std::vector<PlayerCommand>> heldCommands;
    std::vector<PlayerStatus> statuses;  // published before each frame presented
    std::vector<Seen> seen;
    std::vector<int> scenes;
    int held = 0;
};

TEST_F(PlayerShow, PauseHoldsThePictureAndTheSongAndResumesWhereItStopped) {
    keys[10] = {kKeySpace};
    heldKeys[3] = {kKeyPeriod};  // one frame forward, still paused
    heldKeys[5] = {kKeySpace};
    keys[20] = {kKeyEscape};
    play();
    EXPECT_EQ(held, 5);
    EXPECT_EQ(song.pauses, (std::vector<bool>{true, false}));
    // The step showed frame 10 and put the song after it; play went on with frame 11.
    ASSERT_EQ(song.seeks, (std::vector<int64_t>{11 * kRowFrames}));
    ASSERT_EQ(seen.size(), 20u);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_FLOAT_EQ(seen[i].mainClock - seen[i - 1].mainClock, static_cast<float>(kMainClockRate / 60)) << i;
    }
    EXPECT_FALSE(seen[8].barShown);
    EXPECT_TRUE(seen[11].barShown);
}

TEST_F(PlayerShow, KeysGoToScenesAndMoments) {
    keys[5] = {'6'};                    // scene 6's start
    keys[7] = {kKeyPageUp};             // within its first second: scene 5
    keys[9] = {kKeyPageDown};           // scene 6 again
    keys[80] = {kKeyPageUp};            // past its first second: scene 6's start
    keys[82] = {kKeyHome};              // the show's start
    keys[84] = {kKeyRight, kKeyRight};  // 5 s on, twice, from 2 frames in
    keys[86] = {kKeyLeft};              // 5 s back, 2 frames later
    keys[88] = {'x', kKeyEscape, '3'};  // others are ignored; nothing after Escape
    play();
    const int64_t scene6 = Timeline::firstOrder(6) * show::kRowsPerOrder * kRowFrames;
    const int64_t scene5 = Timeline::firstOrder(5) * show::kRowsPerOrder * kRowFrames;
    EXPECT_EQ(song.seeks, (std::vector<int64_t>{scene6, scene5, scene6, scene6, 0, 302 * kRowFrames, 602 * kRowFrames,
                                                304 * kRowFrames}));
    // Seeks to a scene's start present its first frame; others land inside one.
    EXPECT_EQ(scenes, (std::vector<int>{1, 6, 5, 6, 6, 1}));
    ASSERT_EQ(seen.size(), 88u);
    EXPECT_EQ(seen[5].scene, 6);
    EXPECT_EQ(seen[82].mainClock, 0.0f);
    EXPECT_TRUE(seen[5].barShown);
    EXPECT_EQ(console.bar().scene, 2);
    EXPECT_DOUBLE_EQ(console.bar().totalSeconds, static_cast<double>(song.rows().length()) / kRate);
    EXPECT_DOUBLE_EQ(console.bar().sceneStarts[5], static_cast<double>(scene6) / kRate);
}

TEST_F(PlayerShow, PostedCommandsActAsKeysAndTheStatusIsPublished) {
    using Kind = PlayerCommand::Kind;
    commands[4] = {{Kind::Pause}, {Kind::Pause}};  // a second pause changes nothing
    heldCommands[2] = {{Kind::GoToScene, 0, 3}};
    heldCommands[3] = {{Kind::Resume}};
    commands[8] = {{Kind::SeekBy, 5}};  // from 4 frames into scene 3
    commands[10] = {{Kind::Stop}, {Kind::NextScene}};  // nothing after a Stop
    play();
    EXPECT_EQ(song.pauses, (std::vector<bool>{true, false}));
    const int64_t scene3 = Timeline::firstOrder(3) * show::kRowsPerOrder * kRowFrames;
    EXPECT_EQ(song.seeks, (std::vector<int64_t>{scene3, scene3 + 304 * kRowFrames}));
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen[4].scene, 3);
    // The status each frame saw is the one published after the frame before.
    EXPECT_TRUE(statuses[1].playing);
    EXPECT_FALSE(statuses[1].paused);
    EXPECT_EQ(statuses[4].scene, 3);
    EXPECT_EQ(statuses[4].seeks, statuses[1].seeks + 1);
    EXPECT_DOUBLE_EQ(statuses[4].totalSeconds, static_cast<double>(song.rows().length()) / kRate);
    EXPECT_FALSE(latestPlayerStatus().playing);
}

// Up and Down step by 5 % and stop at full volume; M mutes, and a step
// unmutes; the media keys do the same; the bar names the volume after each.
TEST_F(PlayerShow, VolumeKeysStepMuteAndShowOnTheBar) {
    song.level = 0.9;
    keys[2] = {kKeyUp, kKeyUp, kKeyUp};
    keys[4] = {kKeyDown, 'm'};
    keys[6] = {kKeyVolumeDown};
    keys[8] = {kKeyMute};
    keys[10] = {kKeyEscape};
    play();
    const std::vector<double> expected{0.95, 1.0, 1.0, 0.95, 0.9};
    ASSERT_EQ(song.volumes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(song.volumes[i], expected[i], 1e-9) << i;
    EXPECT_TRUE(song.silent);
    EXPECT_TRUE(console.bar().volumeShown);
    EXPECT_TRUE(console.bar().muted);
    EXPECT_EQ(console.bar().volumePercent, 90);
}

}  // namespace
