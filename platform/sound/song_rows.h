// Where each row of a song starts, in sample frames, and where the song ends:
// the song's timing as the native decoder plays it, written down once so that
// a build without that decoder keeps the same time.
//
// The text form is one line "song-rows 1 RATE END", then one line
// "FRAME ORDER ROW" for each change of position, the first at frame 0 and the
// frames rising.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/music_position_log.h"

struct SongRows {
    struct Start {
        int64_t frame;
        MusicPosition position;
    };
    int rate = 44100;
    int64_t end = 0;  // the first frame without song
    std::vector<Start> starts;

    // The position of frame `frame` (the last one for frames past the end).
    MusicPosition at(int64_t frame) const;
};

std::string formatSongRows(const SongRows& rows);
// Throws DynamicError naming `source` and the line for text that is not a
// well-formed table.
SongRows parseSongRows(const std::string& text, const std::string& source);
