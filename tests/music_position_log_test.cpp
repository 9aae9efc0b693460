// The log of heard positions: which entry a reader gets at a given time.
#include "platform/sound/music_position_log.h"

#include <gtest/gtest.h>

namespace {

TEST(MusicPositionLog, TimesNeverRunBackwards) {
    MusicPositionLog log;
    log.reset({0, 0});
    log.record(500, {0, 1});
    log.record(450, {0, 2});  // a block that starts before the last one ends
    EXPECT_EQ(log.at(470), (MusicPosition{0, 0}));
    EXPECT_EQ(log.at(500), (MusicPosition{0, 2}));
    log.record(600, {0, 2});  // the same position again is no new entry
    EXPECT_EQ(log.at(550), (MusicPosition{0, 2}));
}

TEST(MusicPositionLog, FullRingKeepsTheNewestEntries) {
    MusicPositionLog log;
    log.reset({0, 0});
    for (int row = 1; row <= 5000; ++row) log.record(row * 10, {row / 64, row % 64});
    EXPECT_EQ(log.at(50000), (MusicPosition{5000 / 64, 5000 % 64}));
    EXPECT_EQ(log.at(49995), (MusicPosition{4999 / 64, 4999 % 64}));
    // Older than anything kept: the oldest kept entry, never a stale slot.
    MusicPosition oldest = log.at(0);
    EXPECT_EQ(oldest.order * 64 + oldest.row, 5000 - 1023);
}

}  // namespace
