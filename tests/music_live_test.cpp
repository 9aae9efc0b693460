// Live outputs: the song advances in real time, silent or through SDL's dummy
// driver, and its position can be read while the output's thread mixes; a
// pause holds it and a seek moves it, on those and on a private sound server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "platform/sound/fmod.h"
#include "support/pulse_server.h"
#include "support/scoped_environment.h"
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

    int rowAt(Clock::time_point when) const {
        int order = -1, row = -1;
        const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
        EXPECT_TRUE(FMUSIC_GetPositionAt(song, ns, &order, &row, nullptr));
        return order * 64 + row;
    }
    int rowNow() const { return rowAt(Clock::now()); }

    // Polls from now until row `last` is heard; every row from `first` on
    // comes in turn. Returns when each was first heard, in seconds from now.
    std::vector<double> rowsFrom(int first, int last) {
        const Clock::time_point from = Clock::now();
        std::vector<double> heardAt;
        int expected = first;
        while (expected <= last && secondsSince(from) < 5) {
            const int row = rowNow();
            if (row == expected) {
                heardAt.push_back(secondsSince(from));
                ++expected;
            } else if (row != expected - 1) {
                ADD_FAILURE() << "row " << row << " where " << expected - 1 << " or " << expected << " was due";
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        EXPECT_EQ(expected, last + 1) << "the rows stopped at " << expected - 1;
        return heardAt;
    }

    // Pauses, resumes and seeks the song on `output`; `latency` bounds how
    // long a frame takes to be heard.
    void pauseAndSeek(int output, double latency) {
        start(output);
        // A sound server may take a while to start playing.
        while (rowNow() < 2 && secondsSince(played) < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(FMUSIC_SetPaused(song, true));
        EXPECT_TRUE(FMUSIC_GetPaused(song));
        const int pausedRow = rowNow();
        EXPECT_GE(pausedRow, 2);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(rowNow(), pausedRow);

        // On from the paused row: the rest of it, then whole rows.
        ASSERT_TRUE(FMUSIC_SetPaused(song, false));
        EXPECT_FALSE(FMUSIC_GetPaused(song));
        std::vector<double> resumed = rowsFrom(pausedRow, pausedRow + 3);
        ASSERT_EQ(resumed.size(), 4u);
        EXPECT_LT(resumed[1], kRowSeconds + latency);
        // Whole rows, give or take the dummy driver's pace on a busy machine.
        EXPECT_NEAR(resumed[3] - resumed[1], 2 * kRowSeconds, 0.1);

        // A seek is heard from the call on; nothing from before it comes back.
        const int64_t row40 = FMUSIC_GetRowStartFrame(song, 0, 40);
        ASSERT_GT(row40, 0);
        ASSERT_TRUE(FMUSIC_SetPositionFrame(song, row40 + 100));
        EXPECT_EQ(rowNow(), 40);
        EXPECT_EQ(rowAt(Clock::now() + std::chrono::milliseconds(100)), 40);
        std::vector<double> sought = rowsFrom(40, 42);
        ASSERT_EQ(sought.size(), 3u);
        EXPECT_LT(sought[1], kRowSeconds + latency);

        // Paused, a seek moves the position and the pause stays.
        ASSERT_TRUE(FMUSIC_SetPaused(song, true));
        ASSERT_TRUE(FMUSIC_SetPositionFrame(song, FMUSIC_GetRowStartFrame(song, 1, 6)));
        EXPECT_EQ(rowNow(), 70);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(rowNow(), 70);
        EXPECT_TRUE(FMUSIC_GetPaused(song));
        ASSERT_TRUE(FMUSIC_SetPaused(song, false));
        std::vector<double> afterPausedSeek = rowsFrom(70, 71);
        ASSERT_EQ(afterPausedSeek.size(), 2u);
        EXPECT_LT(afterPausedSeek[1], kRowSeconds + latency);

        EXPECT_TRUE(FMUSIC_StopSong(song));
        EXPECT_FALSE(FMUSIC_SetPaused(song, true));  // not playing
        FMUSIC_FreeSong(song);
        song = nullptr;
        FSOUND_Close();
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

TEST_F(LiveMusic, PauseHoldsAndSeekMovesThePositionHeard) {
    {
        SCOPED_TRACE("no sound");
        pauseAndSeek(FSOUND_OUTPUT_NOSOUND, 0.05);
    }
    {
        SCOPED_TRACE("SDL's dummy driver");
        pauseAndSeek(FSOUND_OUTPUT_DSOUND, 0.1);
    }
}

TEST_F(LiveMusic, PauseHoldsAndSeekMovesThePositionHeardOnASoundServer) {
    PulseServer server;
    if (!server.unavailableReason().empty()) GTEST_SKIP() << server.unavailableReason();
    ScopedEnvironment sdlDriver("SDL_AUDIODRIVER", nullptr);
    {
        SCOPED_TRACE("the sound server");
        pauseAndSeek(FSOUND_OUTPUT_DSOUND, 0.3);
    }
    {
        // ALSA's plugin makes a new stream on the server after each drop;
        // opened beside the old one, it is heard at once, after its buffer.
        SCOPED_TRACE("ALSA through the sound server");
        pauseAndSeek(FSOUND_OUTPUT_WINMM, 0.5);
    }
}

}  // namespace
