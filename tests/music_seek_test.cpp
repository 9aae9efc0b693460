// Seeking the song by frame: the table of row starts against a real decode,
// and the position and samples after a seek against playing from the start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/sound/fmod.h"
#include "support/xm_builder.h"

namespace {

// Three orders: the first changes speed and tempo part-way, the second breaks
// off after 40 rows, the third plays evenly at the new tempo.
XmSong unevenSong() {
    XmSong song = clickSong(3, 64);
    song.patterns[0].notes.push_back({10, 1, 0, 0, 0xF, 0x03});   // 3 ticks a row
    song.patterns[0].notes.push_back({30, 1, 0, 0, 0xF, 0x97});   // 151 BPM: ticks of a fractional length
    song.patterns[1].notes.push_back({39, 1, 0, 0, 0xD, 0x00});   // on to the next order after row 39
    return song;
}

class SongSeeking : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE));
        ASSERT_TRUE(FSOUND_Init(44100, 32));
        path = xmScratchPath("seek.xm");
        writeXmFile(path, buildXm(unevenSong()));
        song = FMUSIC_LoadSong(path.c_str());
        ASSERT_NE(song, nullptr);
    }
    void TearDown() override {
        FMUSIC_FreeSong(song);
        FSOUND_Close();
        std::remove(path.c_str());
    }

    static std::vector<int16_t> mix(size_t frames) {
        std::vector<int16_t> samples(2 * frames);
        FSOUND_Offline_Mix(samples.data(), frames);
        return samples;
    }
    int heardRow() const { return FMUSIC_GetOrder(song) * 64 + FMUSIC_GetRow(song); }

    std::string path;
    FMUSIC_MODULE* song = nullptr;
};

TEST_F(SongSeeking, RowStartsAreWhereADecodeFromTheStartChangesRow) {
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    int64_t mixed = 0;
    int rowsSeen = 0;
    for (int order = 0; order < 3; ++order) {
        for (int row = 0; row < 64; ++row) {
            const int64_t start = FMUSIC_GetRowStartFrame(song, order, row);
            if (order == 0 && row == 0) continue;
            if (order == 1 && row >= 40) {
                EXPECT_EQ(start, -1) << "row " << row << " is never played";
                continue;
            }
            ASSERT_GT(start, mixed) << order << "/" << row;
            mix(static_cast<size_t>(start - 1 - mixed));
            EXPECT_NE(heardRow(), order * 64 + row) << order << "/" << row << " a frame early";
            mix(1);
            EXPECT_EQ(heardRow(), order * 64 + row) << order << "/" << row;
            mixed = start;
            ++rowsSeen;
        }
    }
    EXPECT_EQ(rowsSeen, 64 + 40 + 64 - 1);
    EXPECT_GT(FMUSIC_GetLengthFrames(song), mixed);
    EXPECT_EQ(FMUSIC_GetRowStartFrame(song, 3, 0), -1);
    EXPECT_EQ(FMUSIC_GetRowStartFrame(nullptr, 0, 0), -1);
}

TEST_F(SongSeeking, AfterASeekTheSongMovesAndSoundsAsFromTheStart) {
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    const int64_t rowStart = FMUSIC_GetRowStartFrame(song, 2, 5);
    const int64_t from = rowStart - 100;
    mix(static_cast<size_t>(from));
    const std::vector<int16_t> played = mix(3000);
    mix(10);  // somewhere else, to be left by the seek

    for (int64_t target : {from, rowStart}) {
        ASSERT_TRUE(FMUSIC_SetPositionFrame(song, target));
        EXPECT_EQ(heardRow(), target < rowStart ? 2 * 64 + 4 : 2 * 64 + 5) << target;
        // The decoder rebuilds the notes playing at the target, not its
        // filters' and ramps' history: close to the samples played, not equal.
        const std::vector<int16_t> sought = mix(3000);
        const size_t skip = static_cast<size_t>(2 * (target - from));
        int worst = 0;
        for (size_t i = 0; i + skip < sought.size(); ++i) worst = std::max(worst, std::abs(sought[i] - played[i + skip]));
        EXPECT_LT(worst, 2000) << target;
    }
    // Back to the start, and past the end.
    ASSERT_TRUE(FMUSIC_SetPositionFrame(song, 0));
    EXPECT_EQ(heardRow(), 0);
    EXPECT_FALSE(FMUSIC_IsFinished(song));
    ASSERT_TRUE(FMUSIC_SetPositionFrame(song, FMUSIC_GetLengthFrames(song)));
    EXPECT_TRUE(FMUSIC_IsFinished(song));
    EXPECT_FALSE(FMUSIC_SetPositionFrame(song, -1));
    EXPECT_FALSE(FMUSIC_SetPositionFrame(nullptr, 0));
}

TEST_F(SongSeeking, MixingAheadDropsWhatItMixedAndJoinsTheCallersBlocks) {
    ASSERT_TRUE(FSOUND_Offline_MixAhead(25));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    // Frames in blocks of 1/25 s (1764 frames), as a renderer at 25 fps takes them.
    const int64_t target = 40 * 1764;
    mix(5 * 1764);
    ASSERT_TRUE(FMUSIC_SetPositionFrame(song, target));
    EXPECT_EQ(heardRow(), [&] {
        for (int row = 63; row >= 0; --row)
            if (FMUSIC_GetRowStartFrame(song, 0, row) <= target) return row;
        return -1;
    }());
    for (int64_t block = 40; block < 140; ++block) {
        mix(1764);
        const int64_t next = (block + 1) * 1764;
        int expected = -1;
        for (int order = 0; order < 3; ++order)
            for (int row = 0; row < 64; ++row) {
                const int64_t start = FMUSIC_GetRowStartFrame(song, order, row);
                if (start >= 0 && start <= next) expected = order * 64 + row;
            }
        ASSERT_EQ(heardRow(), expected) << "block " << block;
    }
    FSOUND_Offline_MixAhead(0);
}

}  // namespace
