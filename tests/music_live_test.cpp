// Live outputs: the song advances in real time, silent or through SDL's dummy
// driver, and its position can be read while the output's thread mixes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "platform/sound/fmod.h"
#include "support/xm_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kRowSeconds = 0.12;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// When each row was first seen, and when the row before it was last seen: the
// row began somewhere between the two.
struct RowChange {
    double notBefore = 0;
    double notAfter = 0;
};

class LiveMusic : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        path = xmScratchPath("live.xm");
        writeXmFile(path, buildXm(clickSong(2)));
    }
    void TearDown() override {
        if (song) FMUSIC_FreeSong(song);
        FSOUND_Close();
        std::remove(path.c_str());
    }

    void start(int output) {
        ASSERT_TRUE(FSOUND_SetOutput(output));
        ASSERT_TRUE(FSOUND_Init(44100, 32));
        song = FMUSIC_LoadSong(path.c_str());
        ASSERT_NE(song, nullptr);
        played = Clock::now();
        ASSERT_TRUE(FMUSIC_PlaySong(song));
    }

    // Polls the position for `seconds`; the song must only move forwards, one
    // row at a time.
    std::map<int, RowChange> watch(double seconds) {
        std::map<int, RowChange> changes;
        int current = 0;
        double lastSeen = 0;
        while (secondsSince(played) < seconds) {
            double before = secondsSince(played);
            int row = FMUSIC_GetOrder(song) * 64 + FMUSIC_GetRow(song);
            double after = secondsSince(played);
            if (row != current) {
                EXPECT_EQ(row, current + 1) << "at " << before << " s";
                changes[row] = {lastSeen, after};
                current = row;
            }
            lastSeen = before;
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        return changes;
    }

    // The spread left after lining every row change up with one start time:
    // 0 when the rows follow each other exactly every 0.12 s.
    static double misfit(const std::map<int, RowChange>& changes, double* startDelay) {
        double latestStart = -1e9, earliestStart = 1e9;
        for (const auto& [row, change] : changes) {
            latestStart = std::max(latestStart, change.notBefore - row * kRowSeconds);
            earliestStart = std::min(earliestStart, change.notAfter - row * kRowSeconds);
        }
        *startDelay = earliestStart;
        return std::max(0.0, latestStart - earliestStart);
    }

    std::string path;
    FMUSIC_MODULE* song = nullptr;
    Clock::time_point played;
};

TEST_F(LiveMusic, SilentOutputPlaysInRealTime) {
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
    ASSERT_EQ(FSOUND_GetNumDrivers(), 1);
    EXPECT_STREQ(FSOUND_GetDriverName(0), "No sound");
    EXPECT_EQ(FSOUND_GetDriverName(1), nullptr);
    EXPECT_TRUE(FSOUND_SetDriver(0));
    start(FSOUND_OUTPUT_NOSOUND);

    std::map<int, RowChange> changes = watch(1.3);
    ASSERT_GE(changes.size(), 9u);
    double startDelay = 0;
    // A 1% error of pace would leave 12 ms; the position moves in steps of 0.7 ms.
    EXPECT_LT(misfit(changes, &startDelay), 0.004);
    EXPECT_GE(startDelay, 0.0);
    EXPECT_LT(startDelay, 0.08);  // at most three blocks before the song is heard
}

TEST_F(LiveMusic, DeviceOutputPlaysInRealTime) {
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    ASSERT_GE(FSOUND_GetNumDrivers(), 1);
    ASSERT_NE(FSOUND_GetDriverName(0), nullptr);
    EXPECT_TRUE(FSOUND_SetDriver(0));
    EXPECT_FALSE(FSOUND_SetDriver(FSOUND_GetNumDrivers()));
    start(FSOUND_OUTPUT_DSOUND);

    std::map<int, RowChange> changes = watch(1.3);
    ASSERT_GE(changes.size(), 9u);
    double startDelay = 0;
    // SDL's dummy driver sleeps whole milliseconds per block and its thread
    // runs late on a busy machine, so its pace is only about right. A wrong
    // rate (mixing too fast, or a block counted twice or not at all) leaves
    // well over 0.1 s after a second of rows.
    EXPECT_LT(misfit(changes, &startDelay), 0.1);
    EXPECT_GE(startDelay, -0.1);
    EXPECT_LT(startDelay, 0.15);
}

TEST_F(LiveMusic, InitFailsWhenTheDriverDoesNotStart) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    EXPECT_EQ(FSOUND_GetNumDrivers(), 0);
    EXPECT_FALSE(FSOUND_Init(44100, 32));
    FMUSIC_MODULE* unplayed = FMUSIC_LoadSong(path.c_str());
    EXPECT_FALSE(FMUSIC_PlaySong(unplayed));
    FMUSIC_FreeSong(unplayed);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(FSOUND_Init(44100, 32));  // the failure left nothing behind
}

TEST_F(LiveMusic, PositionIsReadWhileTheOutputMixes) {
    for (int output : {FSOUND_OUTPUT_NOSOUND, FSOUND_OUTPUT_DSOUND}) {
        start(output);
        int previous = 0;
        for (int round = 0; round < 4; ++round) {
            Clock::time_point until = Clock::now() + std::chrono::milliseconds(150);
            while (Clock::now() < until) {
                int row = FMUSIC_GetOrder(song) * 64 + FMUSIC_GetRow(song);
                ASSERT_GE(row, previous);
                previous = row;
                // What will be heard a little later is never behind.
                const auto later = Clock::now() + std::chrono::milliseconds(200);
                int laterOrder = -1, laterRow = -1;
                ASSERT_TRUE(FMUSIC_GetPositionAt(
                    song, std::chrono::duration_cast<std::chrono::nanoseconds>(later.time_since_epoch()).count(),
                    &laterOrder, &laterRow, nullptr));
                ASSERT_GE(laterOrder * 64 + laterRow, row);
            }
            // Restarting and stopping race with the mixing thread too.
            ASSERT_TRUE(FMUSIC_PlaySong(song));
            previous = 0;
        }
        ASSERT_TRUE(FMUSIC_StopSong(song));
        int stoppedAt = FMUSIC_GetRow(song);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(FMUSIC_GetRow(song), stoppedAt);
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(FMUSIC_FreeSong(song));  // freed while playing
        song = nullptr;
        FSOUND_Close();
    }
}

}  // namespace
