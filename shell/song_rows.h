// Where each row of the song starts, in frames at its mixing rate, when it
// plays from its start: what the timeline needs to replay the show to any
// moment and to put the song there.
#pragma once

#include <cstdint>
#include <vector>

struct SongRows {
    struct Start {
        int64_t frame;
        int order;
        int row;
    };

    int rate = 0;                // frames a second; 0 for a song that cannot seek
    int64_t length = 0;          // the song's frames
    std::vector<Start> starts;   // the rows played, by frame

    bool empty() const { return rate == 0 || starts.empty(); }
    // The row frame `frame` belongs to (the first row before the song, the
    // last after it).
    Start rowAt(int64_t frame) const;
    // The first frame of `order`, `row`; -1 for a row never played.
    int64_t startOf(int order, int row) const;
};
