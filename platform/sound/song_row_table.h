// Where each row of a song starts, in frames at a mixing rate, when the song
// plays from its start: the map between the song's frames and its positions
// that seeking needs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/music_position_log.h"
#include "platform/sound/song_decoder.h"

class SongRowTable {
public:
    struct Row {
        int64_t frame;
        MusicPosition position;
    };

    // Empty: a song that cannot seek.
    SongRowTable() = default;
    // Measured on `decoder`, which is left at an unknown position. Rows are
    // asked of the decoder one by one only in orders whose rows may differ in
    // length; the rows of other orders share their order's length evenly.
    SongRowTable(SongDecoder& decoder, int rate);
    // Given row by row, for a song scripted by hand: `played` in the order
    // they play, `length` frames in all.
    SongRowTable(int rate, int64_t length, std::vector<Row> played);

    // Frames a second; 0 for an empty table.
    int rate() const { return rate_; }
    // The frame `order`, `row` starts at; -1 for a row the song never plays.
    int64_t startFrame(int order, int row) const;
    // The row that frame `frame` of the song belongs to (the first row before
    // the song, the last one after it).
    MusicPosition rowAt(int64_t frame) const;
    // The frames of the whole song.
    int64_t length() const { return length_; }
    bool empty() const { return rate_ == 0 || rows.empty(); }

private:
    void measureOrder(SongDecoder& decoder, int order, int rowCount, int64_t start, int64_t end);

    int rate_ = 0;
    int64_t length_ = 0;
    std::vector<Row> rows;                     // played rows, by frame
    std::vector<std::vector<int64_t>> starts;  // by order and row, -1 where never played
};
