// What the music layer asks of the song decoder each build carries: the
// song's frames and the position of the last frame it produced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sound/music_position_log.h"

class SongDecoder {
public:
    virtual ~SongDecoder() = default;
    // The resampling filter's length in taps (1, 2, 4 or 8).
    virtual void setInterpolationTaps(int taps) = 0;
    // Reads up to `frames` interleaved 16-bit stereo frames at `rate` Hz into
    // `samples`; fewer only at the song's end.
    virtual size_t read(int rate, size_t frames, int16_t* samples) = 0;
    // The order and row of the last frame read.
    virtual MusicPosition position() const = 0;

    // The next frame read is the first of `order`, `row`, the song's state
    // there taken from playing it up to that row without mixing.
    virtual void seek(int order, int row) = 0;
    // The song's orders, and the rows of the pattern an order plays.
    virtual int orderCount() const = 0;
    virtual int rowCount(int order) const = 0;
    // Seeks to `order`, `row` as seek() does and returns the seconds from the
    // song's start to there, at the rate of the last read; negative for a row
    // the song never plays. Costs a walk through the song up to that row.
    virtual double seekSeconds(int order, int row) = 0;
    // True when a command on `row` of `order`'s pattern may change the length
    // of the rows after it or which row comes next (speed, tempo, jumps,
    // breaks, loops, delays).
    virtual bool rowChangesTiming(int order, int row) const = 0;
    // The song's length in seconds.
    virtual double lengthSeconds() const = 0;
};

// A decoder of the module in `file`, at its start, playing it once without
// fade-out, loop or dither. Throws DynamicError when the decoder rejects it.
// Made by the build's decoder backend.
std::unique_ptr<SongDecoder> makeSongDecoder(const std::vector<uint8_t>& file);
