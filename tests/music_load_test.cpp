// Loading songs: what loads, and every way a file can fail to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sound/fmod.h"
#include "support/image_fixtures.h"
#include "support/xm_builder.h"

namespace {

class SongLoading : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& path : paths) std::remove(path.c_str());
    }

    // Loads `bytes` from a file; true if a song came back.
    bool loads(const std::vector<uint8_t>& bytes) {
        paths.push_back(xmScratchPath("load-" + std::to_string(paths.size()) + ".xm"));
        writeXmFile(paths.back(), bytes);
        FMUSIC_MODULE* song = FMUSIC_LoadSong(paths.back().c_str());
        if (!song) return false;
        EXPECT_EQ(FMUSIC_GetOrder(song), 0);  // loaded stopped, at the start
        EXPECT_EQ(FMUSIC_GetRow(song), 0);
        FMUSIC_FreeSong(song);
        return true;
    }

    static std::vector<uint8_t> cut(const std::vector<uint8_t>& bytes, size_t length) {
        return std::vector<uint8_t>(bytes.begin(), bytes.begin() + length);
    }

    std::vector<std::string> paths;
};

TEST_F(SongLoading, CompleteModulesLoad) {
    EXPECT_TRUE(loads(buildXm(clickSong(32))));
    XmSong noInstruments = clickSong(2);
    noInstruments.sample.clear();
    for (XmPattern& pattern : noInstruments.patterns) pattern.notes.clear();
    EXPECT_TRUE(loads(buildXm(noInstruments)));
    std::vector<uint8_t> padded = buildXm(clickSong(2));
    padded.push_back(0);  // bytes after the last sample do no harm
    EXPECT_TRUE(loads(padded));
}

TEST_F(SongLoading, MissingOrUnreadableFilesGiveNoSong) {
    EXPECT_EQ(FMUSIC_LoadSong(nullptr), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(""), nullptr);
    EXPECT_EQ(FMUSIC_LoadSong(xmScratchPath("never-written.xm").c_str()), nullptr);
    std::string directory = xmScratchPath("directory.xm");
    ASSERT_EQ(mkdir(directory.c_str(), 0700), 0);
    EXPECT_EQ(FMUSIC_LoadSong(directory.c_str()), nullptr);
    rmdir(directory.c_str());
    EXPECT_EQ(FMUSIC_LoadSong("/dev/zero"), nullptr);  // endless: refused, not read forever
}

TEST_F(SongLoading, EmptyAndGarbageDataGiveNoSong) {
    EXPECT_FALSE(loads({}));
    std::string text = "This is not a module, only words in a file that ends here.\n";
    EXPECT_FALSE(loads(std::vector<uint8_t>(text.begin(), text.end())));
    std::vector<uint8_t> noise(4096);
    uint32_t state = 12345;
    for (uint8_t& byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    EXPECT_FALSE(loads(noise));
    std::string signature = "Extended Module: ";
    EXPECT_FALSE(loads(std::vector<uint8_t>(signature.begin(), signature.end())));
}

TEST_F(SongLoading, TruncatedModulesGiveNoSong) {
    XmSong song = clickSong(2, 4);
    std::vector<uint8_t> whole = buildXm(song);
    const size_t headerEnd = 60 + 276;
    const size_t patternBytes = 9 + 4 * 4 * 5;
    const size_t instrumentsStart = headerEnd + 2 * patternBytes;
    const size_t sampleData = instrumentsStart + 263 + 40;
    ASSERT_EQ(whole.size(), sampleData + song.sample.size() * 2);

    EXPECT_FALSE(loads(cut(whole, 40))) << "in the header";
    EXPECT_FALSE(loads(cut(whole, headerEnd - 1))) << "in the order list";
    EXPECT_FALSE(loads(cut(whole, headerEnd + 5))) << "in a pattern header";
    EXPECT_FALSE(loads(cut(whole, headerEnd + patternBytes + 30))) << "in pattern data";
    EXPECT_FALSE(loads(cut(whole, instrumentsStart))) << "before the instruments";
    EXPECT_FALSE(loads(cut(whole, instrumentsStart + 100))) << "in an instrument header";
    EXPECT_FALSE(loads(cut(whole, sampleData - 1))) << "in a sample header";
    EXPECT_FALSE(loads(cut(whole, sampleData + 10))) << "in sample data";
    EXPECT_FALSE(loads(cut(whole, whole.size() - 1))) << "one byte short";
}

// Two packed 16-row patterns on two channels: instrument 1 clicks on every
// row of channel 0, instrument 2 holds a lower tone every fourth row of
// channel 1, and instrument 3, written last, is named by no cell.
XmSong songWithAnUnusedLastInstrument() {
    XmSong song = clickSong(2, 16);
    song.channels = 2;
    song.packCells = true;
    for (XmPattern& pattern : song.patterns) {
        for (int row = 0; row < pattern.rows; row += 4) pattern.notes.push_back({row, 1, 37, 2});
    }
    std::vector<int16_t> tone(4000);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i / 40) % 2 ? -12000 : 12000);
    song.moreInstruments = {tone, std::vector<int16_t>(500, 9000)};
    return song;
}

// The sound the decoder's own command-line player renders from the module's
// bytes: the data chunk of the WAV file it writes (its other chunks carry the
// module's names and peaks), empty when it writes none.
std::vector<uint8_t> decoderRender(const ScratchDir& scratch, const std::vector<uint8_t>& bytes) {
    const std::string path = scratch.path("render.xm");
    writeFile(path, bytes);
    std::remove((path + ".wav").c_str());
    runQuietly("openmpt123 --quiet --render --force --samplerate 44100 '" + path + "'");
    if (!std::filesystem::exists(path + ".wav")) return {};
    const std::vector<uint8_t> wav = readFile(path + ".wav");
    for (size_t chunk = 12; chunk + 8 <= wav.size();) {
        const size_t size = wav[chunk + 4] | wav[chunk + 5] << 8 | wav[chunk + 6] << 16 | size_t{wav[chunk + 7]} << 24;
        const size_t end = std::min(wav.size(), chunk + 8 + size);
        if (std::string(wav.begin() + chunk, wav.begin() + chunk + 4) == "data") {
            return std::vector<uint8_t>(wav.begin() + chunk + 8, wav.begin() + end);
        }
        chunk += 8 + size + (size & 1);
    }
    return {};
}

TEST_F(SongLoading, OnlyWhatCanBeHeardMustBePresent) {
    XmLayout layout;
    const std::vector<uint8_t> whole = buildXm(songWithAnUnusedLastInstrument(), &layout);
    ASSERT_EQ(layout.instruments.size(), 3u);
    struct Variant {
        const char* damage;
        size_t length;
        bool heardWhole;
    };
    const Variant variants[] = {
        {"complete", whole.size(), true},
        {"without the unused last instrument its header announces", layout.instruments[2], true},
        {"cut in the unused instrument's header", layout.instruments[2] + 100, true},
        {"cut in the unused instrument's sample", layout.sampleData[2] + 10, true},
        {"without a used instrument", layout.instruments[1], false},
        {"cut in a used instrument's header", layout.instruments[1] + 100, false},
        {"cut in a used instrument's sample", layout.sampleData[1] + 10, false},
        {"without its last pattern", layout.patterns[1], false},
        {"cut in its last pattern", layout.patterns[1] + 30, false},
    };
    // The show loads exactly the modules that the decoder's player renders
    // as it renders the complete one.
    const bool compare = toolAvailable("openmpt123");
    ScratchDir scratch;
    const std::vector<uint8_t> reference = compare ? decoderRender(scratch, whole) : std::vector<uint8_t>();
    if (compare) {
        ASSERT_GT(reference.size(), 44100u * 8 * 3) << "the decoder's player rendered too little";
    }
    for (const Variant& variant : variants) {
        EXPECT_EQ(loads(cut(whole, variant.length)), variant.heardWhole) << variant.damage;
        if (compare) {
            EXPECT_EQ(decoderRender(scratch, cut(whole, variant.length)) == reference, variant.heardWhole)
                << variant.damage << ": the decoder's player disagrees";
        }
    }
    if (!compare) GTEST_SKIP() << "openmpt123 is not installed: not compared with the decoder's player";
}

}  // namespace
