// Playback through the offline output: the position after each mix, the
// song's end, the mixers and repeatability.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "support/xm_builder.h"

namespace {

constexpr size_t kRowFrames = 5292;  // 0.12 s at 44100 Hz

class OfflineMusic : public ::testing::Test {
protected:
    void TearDown() override {
        for (FMUSIC_MODULE* song : songs) FMUSIC_FreeSong(song);
        FSOUND_Close();
        for (const std::string& path : paths) std::remove(path.c_str());
    }

    void init(int rate = 44100, int mixer = FSOUND_MIXER_AUTODETECT) {
        ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE));
        ASSERT_TRUE(FSOUND_SetMixer(mixer));
        ASSERT_TRUE(FSOUND_Init(rate, 32));
    }

    FMUSIC_MODULE* load(const XmSong& song) {
        paths.push_back(xmScratchPath("offline-" + std::to_string(paths.size()) + ".xm"));
        writeXmFile(paths.back(), buildXm(song));
        FMUSIC_MODULE* loaded = FMUSIC_LoadSong(paths.back().c_str());
        if (loaded) songs.push_back(loaded);
        return loaded;
    }

    // Mixes `frames` frames and returns them.
    static std::vector<int16_t> mix(size_t frames, size_t* songFrames = nullptr) {
        std::vector<int16_t> samples(2 * frames, 12345);
        size_t held = FSOUND_Offline_Mix(samples.data(), frames);
        if (songFrames) *songFrames = held;
        return samples;
    }

    // The song position as one number, order * 64 + row.
    static int songRow(FMUSIC_MODULE* song) { return FMUSIC_GetOrder(song) * 64 + FMUSIC_GetRow(song); }

    std::vector<FMUSIC_MODULE*> songs;
    std::vector<std::string> paths;
};

TEST_F(OfflineMusic, PositionChangesOnTheFirstFrameOfEachRow) {
    init();
    FMUSIC_MODULE* song = load(clickSong(2));
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(FMUSIC_GetOrder(song), 0);
    EXPECT_EQ(FMUSIC_GetRow(song), 0);
    ASSERT_TRUE(FMUSIC_PlaySong(song));

    mix(kRowFrames - 1);
    EXPECT_EQ(FMUSIC_GetRow(song), 0);
    mix(1);  // 0.12 s: row 1 is heard next
    EXPECT_EQ(FMUSIC_GetRow(song), 1);
    mix(63 * kRowFrames - 1);
    EXPECT_EQ(FMUSIC_GetOrder(song), 0);
    EXPECT_EQ(FMUSIC_GetRow(song), 63);
    mix(1);  // 7.68 s: the next pattern
    EXPECT_EQ(FMUSIC_GetOrder(song), 1);
    EXPECT_EQ(FMUSIC_GetRow(song), 0);
}

TEST_F(OfflineMusic, AskedAboutAnyMomentItAnswersForTheFramesHandedOut) {
    init();
    FMUSIC_MODULE* song = load(clickSong(1, 2));
    int order = -1, row = -1;
    bool finished = true;
    EXPECT_FALSE(FMUSIC_GetPositionAt(nullptr, 0, &order, &row, &finished));
    EXPECT_EQ(order, -1);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    mix(kRowFrames);
    for (int64_t at : {INT64_MIN, int64_t{0}, INT64_MAX}) {
        ASSERT_TRUE(FMUSIC_GetPositionAt(song, at, &order, &row, &finished));
        EXPECT_EQ(order * 64 + row, 1) << at;
        EXPECT_FALSE(finished) << at;
    }
    mix(kRowFrames);
    EXPECT_TRUE(FMUSIC_GetPositionAt(song, 0, nullptr, nullptr, &finished));
    EXPECT_TRUE(finished);
}

TEST_F(OfflineMusic, PositionFollowsMixesOfAnySize) {
    init();
    FMUSIC_MODULE* song = load(clickSong(3));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    // Sizes that cut rows at every kind of place, one frame included.
    const size_t sizes[] = {1, 735, 31, 32, 33, 4410, 5291, 5293, 1024, 2};
    size_t mixed = 0;
    for (int i = 0; i < 400; ++i) {
        size_t frames = sizes[i % 10];
        mix(frames);
        mixed += frames;
        ASSERT_EQ(songRow(song), static_cast<int>(mixed / kRowFrames)) << "after " << mixed << " frames";
    }
}

TEST_F(OfflineMusic, EveryMixingRateKeepsTheSongsTempo) {
    // A row lasts 0.12 s at every rate: 960 frames at 8000 Hz, 2646 at 22050.
    for (int rate : {8000, 22050, 48000}) {
        init(rate);
        FMUSIC_MODULE* song = load(clickSong(1));
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        size_t rowFrames = static_cast<size_t>(rate) * 12 / 100;
        mix(10 * rowFrames - 1);
        EXPECT_EQ(FMUSIC_GetRow(song), 9) << rate;
        mix(1);
        EXPECT_EQ(FMUSIC_GetRow(song), 10) << rate;
        FSOUND_Close();
    }
}

TEST_F(OfflineMusic, ClicksAreHeardWhereTheirRowsBegin) {
    init();
    FMUSIC_MODULE* song = load(clickSong(1, 8));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    std::vector<int16_t> samples = mix(8 * kRowFrames);
    // Each click dies away to (almost) nothing long before the next row.
    auto loudest = [&](size_t from, size_t to) {
        int peak = 0;
        for (size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(int{samples[2 * i]}));
        return peak;
    };
    for (size_t row = 0; row < 8; ++row) {
        size_t start = row * kRowFrames;
        if (row > 0) {
            EXPECT_LE(loudest(start - 200, start), 8) << "row " << row;
        }
        EXPECT_GE(std::abs(int{samples[2 * start]}), 100) << "row " << row;
        EXPECT_GE(loudest(start, start + 100), 5000) << "row " << row;
    }
}

TEST_F(OfflineMusic, SongEndsOnItsLastRowAndStaysThere) {
    init();
    FMUSIC_MODULE* song = load(clickSong(2, 16));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    const size_t songLength = 32 * kRowFrames;

    size_t held = 0;
    mix(songLength - 1, &held);
    EXPECT_EQ(held, songLength - 1);
    EXPECT_EQ(FMUSIC_GetOrder(song), 1);
    EXPECT_EQ(FMUSIC_GetRow(song), 15);

    // The last frame of the song, then silence; no loop back to the start.
    std::vector<int16_t> tail = mix(1000, &held);
    EXPECT_EQ(held, 1u);
    for (size_t i = 2; i < tail.size(); ++i) ASSERT_EQ(tail[i], 0) << i;
    for (int i = 0; i < 3; ++i) {
        mix(kRowFrames * 20, &held);
        EXPECT_EQ(held, 0u);
        EXPECT_EQ(FMUSIC_GetOrder(song), 1);
        EXPECT_EQ(FMUSIC_GetRow(song), 15);
    }
}

TEST_F(OfflineMusic, FinishedFromTheFrameAfterTheSongsLastAndNotBefore) {
    init();
    FMUSIC_MODULE* song = load(clickSong(1, 4));
    const size_t songLength = 4 * kRowFrames;
    EXPECT_FALSE(FMUSIC_IsFinished(nullptr));
    EXPECT_FALSE(FMUSIC_IsFinished(song));  // loaded, never played
    // Mixes that end the song anywhere within the decoder's steps, and one
    // that runs past it in one go.
    for (size_t size : {size_t{1}, size_t{31}, size_t{32}, size_t{33}, size_t{1024}, size_t{5293}, 2 * songLength}) {
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        EXPECT_FALSE(FMUSIC_IsFinished(song)) << size;
        for (size_t mixed = 0; mixed < songLength + 2 * size;) {
            mix(size);
            mixed += size;
            ASSERT_EQ(FMUSIC_IsFinished(song), mixed >= songLength) << "mixes of " << size << ", " << mixed << " mixed";
        }
    }
    // Stopped before its end, a song is not finished, then or later.
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    mix(songLength - 1);
    EXPECT_TRUE(FMUSIC_StopSong(song));
    mix(kRowFrames);
    EXPECT_FALSE(FMUSIC_IsFinished(song));
}

TEST_F(OfflineMusic, AJumpBackToAPlayedOrderEndsTheSongThere) {
    init();
    XmSong jumping = clickSong(3, 16);
    jumping.patterns[1].notes.push_back({7, 1, 0, 0, 0xB, 0});  // back to order 0 after row 7 of order 1
    FMUSIC_MODULE* song = load(jumping);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    const size_t songLength = (16 + 8) * kRowFrames;
    size_t held = 0;
    mix(songLength - 1, &held);
    EXPECT_EQ(held, songLength - 1);
    EXPECT_FALSE(FMUSIC_IsFinished(song));
    EXPECT_EQ(songRow(song), 64 + 7);
    mix(kRowFrames, &held);
    EXPECT_EQ(held, 1u);
    EXPECT_TRUE(FMUSIC_IsFinished(song));
}

TEST_F(OfflineMusic, RenderingTwiceGivesTheSameSamples) {
    init(44100, FSOUND_MIXER_MMXP6);
    FMUSIC_MODULE* first = load(clickSong(1, 16));
    FMUSIC_MODULE* second = load(clickSong(1, 16));
    ASSERT_TRUE(FMUSIC_PlaySong(first));
    std::vector<int16_t> once = mix(16 * kRowFrames);
    ASSERT_TRUE(FMUSIC_PlaySong(first));  // played again from the start
    EXPECT_EQ(FMUSIC_GetRow(first), 0);
    std::vector<int16_t> again = mix(16 * kRowFrames);
    ASSERT_TRUE(FMUSIC_PlaySong(second));  // another load of the same file
    std::vector<int16_t> other = mix(16 * kRowFrames);
    EXPECT_TRUE(once == again);
    EXPECT_TRUE(once == other);
}

// Paused, the frames handed out are silence and the song stands still; on
// resume it goes on with exactly the samples and rows of a render without
// the pause, mixed ahead or not.
TEST_F(OfflineMusic, APauseLeavesOutNoSampleAndNoRow) {
    for (int blocksPerSecond : {0, 25}) {
        init();
        ASSERT_TRUE(FSOUND_Offline_MixAhead(blocksPerSecond));
        FMUSIC_MODULE* song = load(clickSong(1, 16));
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        const std::vector<int16_t> whole = mix(12 * kRowFrames);
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        const size_t block = 44100 / 25;
        std::vector<int16_t> paused = mix(20 * block);  // 0.8 s: row 6, part way
        const int pausedRow = songRow(song);
        ASSERT_TRUE(FMUSIC_SetPaused(song, true));
        size_t held = 1;
        EXPECT_EQ(mix(10 * block, &held), std::vector<int16_t>(20 * block, 0));
        EXPECT_EQ(held, 0u);
        EXPECT_EQ(songRow(song), pausedRow);
        ASSERT_TRUE(FMUSIC_SetPaused(song, false));
        const std::vector<int16_t> rest = mix(12 * kRowFrames - 20 * block);
        paused.insert(paused.end(), rest.begin(), rest.end());
        EXPECT_TRUE(paused == whole) << blocksPerSecond << " blocks a second";
        EXPECT_EQ(songRow(song), 12);
        FSOUND_Close();
        ASSERT_TRUE(FSOUND_Offline_MixAhead(0));
    }
}

TEST_F(OfflineMusic, EachMixerInterpolatesDifferently) {
    std::vector<std::vector<int16_t>> renders;
    for (int mixer : {FSOUND_MIXER_BLENDMODE, FSOUND_MIXER_MMXP5, FSOUND_MIXER_MMXP6}) {
        init(44100, mixer);
        FMUSIC_MODULE* song = load(clickSong(1, 2));
        ASSERT_TRUE(FMUSIC_PlaySong(song));
        renders.push_back(mix(kRowFrames));
        FSOUND_Close();
    }
    EXPECT_FALSE(renders[0] == renders[1]);
    EXPECT_FALSE(renders[1] == renders[2]);
    EXPECT_FALSE(renders[0] == renders[2]);
    EXPECT_FALSE(FSOUND_SetMixer(4));
    EXPECT_FALSE(FSOUND_SetMixer(-1));
}

TEST_F(OfflineMusic, StoppedSongKeepsItsPositionAndIsNotMixed) {
    init();
    FMUSIC_MODULE* song = load(clickSong(1));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    mix(3 * kRowFrames + 10);
    EXPECT_TRUE(FMUSIC_StopSong(song));
    EXPECT_EQ(FMUSIC_GetRow(song), 3);
    size_t held = 1;
    std::vector<int16_t> after = mix(2 * kRowFrames, &held);
    EXPECT_EQ(held, 0u);
    EXPECT_EQ(after, std::vector<int16_t>(after.size(), 0));
    EXPECT_EQ(FMUSIC_GetRow(song), 3);
}

TEST_F(OfflineMusic, CallsOutOfOrderFailCleanly) {
    FMUSIC_MODULE* song = load(clickSong(1));
    ASSERT_NE(song, nullptr);
    EXPECT_FALSE(FMUSIC_PlaySong(song));  // before FSOUND_Init
    int16_t frame[2];
    EXPECT_THROW(FSOUND_Offline_Mix(frame, 1), DynamicError);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_FALSE(FMUSIC_StopSong(nullptr));
    EXPECT_EQ(FMUSIC_GetOrder(nullptr), -1);
    EXPECT_EQ(FMUSIC_GetRow(nullptr), -1);

    EXPECT_FALSE(FSOUND_Init(4000, 32));  // below what the decoder mixes
    init();
    EXPECT_FALSE(FSOUND_Init(44100, 32));  // already running
    EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
    EXPECT_EQ(FSOUND_Offline_Mix(frame, 0), 0u);
    EXPECT_THROW(FSOUND_Offline_Mix(nullptr, 1), DynamicError);
    // Nothing playing: silence.
    size_t held = 1;
    EXPECT_EQ(mix(100, &held), std::vector<int16_t>(200, 0));
    EXPECT_EQ(held, 0u);
}

// What a caller taking `blocksPerSecond` blocks a second hears, block by block.
struct HeardBlocks {
    std::vector<int16_t> samples;
    std::vector<size_t> held;
    std::vector<int> rows;
    std::vector<bool> finished;
};

HeardBlocks hearInBlocks(FMUSIC_MODULE* song, int blocksPerSecond, int blocks) {
    HeardBlocks heard;
    int64_t end = 0;
    for (int64_t n = 0; n < blocks; ++n) {
        const int64_t next = (n + 1) * 44100 / blocksPerSecond;
        std::vector<int16_t> block(2 * (next - end));
        heard.held.push_back(FSOUND_Offline_Mix(block.data(), next - end));
        heard.samples.insert(heard.samples.end(), block.begin(), block.end());
        heard.rows.push_back(FMUSIC_GetOrder(song) * 64 + FMUSIC_GetRow(song));
        heard.finished.push_back(FMUSIC_IsFinished(song));
        end = next;
    }
    return heard;
}

class OfflineMusicMixedAhead : public OfflineMusic {
protected:
    void TearDown() override {
        FSOUND_Offline_MixAhead(0);
        OfflineMusic::TearDown();
    }
};

TEST_F(OfflineMusicMixedAhead, HearsWhatMixingInEachCallGives) {
    init();
    // Rows of 0.1218 s at 123 BPM end between frames and inside blocks; a
    // jump back ends the song early, inside a block.
    XmSong song = busySong(3, 4);
    song.bpm = 123;
    song.patterns[1].notes.push_back({21, 1, 0, 0, 0xB, 0});
    FMUSIC_MODULE* module = load(song);
    ASSERT_NE(module, nullptr);
    for (int blocksPerSecond : {60, 7}) {
        const int blocks = 12 * blocksPerSecond;  // past the song's end at 10.5 s
        ASSERT_TRUE(FSOUND_Offline_MixAhead(0));
        ASSERT_TRUE(FMUSIC_PlaySong(module));
        const HeardBlocks inTurn = hearInBlocks(module, blocksPerSecond, blocks);
        ASSERT_TRUE(FSOUND_Offline_MixAhead(blocksPerSecond));
        ASSERT_TRUE(FMUSIC_PlaySong(module));
        const HeardBlocks ahead = hearInBlocks(module, blocksPerSecond, blocks);
        EXPECT_TRUE(ahead.samples == inTurn.samples) << blocksPerSecond;
        EXPECT_EQ(ahead.held, inTurn.held) << blocksPerSecond;
        EXPECT_EQ(ahead.rows, inTurn.rows) << blocksPerSecond;
        EXPECT_EQ(ahead.finished, inTurn.finished) << blocksPerSecond;
        EXPECT_TRUE(inTurn.finished.back());
        // Calls of other sizes take the same stream.
        ASSERT_TRUE(FMUSIC_PlaySong(module));
        std::vector<int16_t> stream;
        for (size_t size = 1; stream.size() < inTurn.samples.size(); size = size * 3 + 1) {
            std::vector<int16_t> part = mix(std::min(size, (inTurn.samples.size() - stream.size()) / 2));
            stream.insert(stream.end(), part.begin(), part.end());
        }
        EXPECT_TRUE(stream == inTurn.samples) << blocksPerSecond;
    }
    EXPECT_FALSE(FSOUND_Offline_MixAhead(-1));
}

TEST_F(OfflineMusicMixedAhead, StopsReplaysFreesAndClosesAtAnyPoint) {
    init();
    ASSERT_TRUE(FSOUND_Offline_MixAhead(60));
    FMUSIC_MODULE* song = load(clickSong(1));
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    const std::vector<int16_t> first = mix(3 * kRowFrames + 10);
    EXPECT_TRUE(FMUSIC_StopSong(song));
    EXPECT_EQ(FMUSIC_GetRow(song), 3);
    size_t held = 1;
    EXPECT_EQ(mix(kRowFrames, &held), std::vector<int16_t>(2 * kRowFrames, 0));
    EXPECT_EQ(held, 0u);
    EXPECT_EQ(FMUSIC_GetRow(song), 3);

    // Played again from its start, with nothing left over from before.
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    EXPECT_EQ(FMUSIC_GetRow(song), 0);
    EXPECT_TRUE(mix(3 * kRowFrames + 10) == first);

    // Freed while mixed ahead: silence from then on.
    FMUSIC_FreeSong(song);
    songs.clear();
    EXPECT_EQ(mix(100, &held), std::vector<int16_t>(200, 0));
    EXPECT_EQ(held, 0u);

    // Closed with the queue full, never taken from.
    FMUSIC_MODULE* other = load(clickSong(1));
    ASSERT_TRUE(FMUSIC_PlaySong(other));
    FSOUND_Close();
    EXPECT_THROW(mix(1), DynamicError);
}

}  // namespace
