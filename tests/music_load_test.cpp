// Loading songs: what loads, and every way a file can fail to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/fmod.h"
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

}  // namespace
