// Mixing a decoder's song while recording the position each frame carries,
// for every sound backend alike. The decoder reports the position of the
// last frame it produced; reading one frame ahead makes that the frame heard
// right after those handed out, and reading in steps of kPositionStep frames
// records each change of position at most that late.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/sound/music_position_log.h"

class ReadAheadMixer {
public:
    static constexpr size_t kPositionStep = 32;

    // A fresh start: the next mix primes the decoder again.
    void restart() { *this = ReadAheadMixer(); }
    // Nothing more is mixed; the end counts as recorded.
    void stop() {
        hasNextFrame = false;
        ended = true;
        endRecorded = true;
    }

    // Mixes the next `frames` stereo frames into `samples` (interleaved) and
    // records into `positions` the position they carry and the time the
    // song's end is heard. `read(frames, out)` reads up to `frames` frames and
    // returns how many it read, `position()` is the decoder's position and
    // `timeOf(i)` the time frame i of this mix is heard. Frames after the end
    // are silence; returns the number that held song.
    template <class Read, class Position, class TimeOf>
    size_t mix(int16_t* samples, size_t frames, MusicPositionLog& positions, Read read, Position position,
               TimeOf timeOf) {
        if (!primed && !ended) {
            primed = true;
            if (read(size_t{1}, nextFrame) == 1) {
                hasNextFrame = true;
                positions.record(timeOf(0), position());
            } else {
                ended = true;
            }
        }

        size_t filled = 0;
        while (filled < frames && hasNextFrame) {
            samples[2 * filled] = nextFrame[0];
            samples[2 * filled + 1] = nextFrame[1];
            ++filled;
            hasNextFrame = false;
            if (ended) break;

            // Up to one step of frames; the last one read is kept back as the
            // next frame.
            int16_t step[2 * kPositionStep];
            const size_t wanted = std::min(kPositionStep, frames - filled + 1);
            const size_t got = read(wanted, step);
            if (got == 0) {
                ended = true;
                break;
            }
            std::copy(step, step + 2 * (got - 1), samples + 2 * filled);
            std::copy(step + 2 * (got - 1), step + 2 * got, nextFrame);
            hasNextFrame = true;
            filled += got - 1;
            if (got == wanted) {
                positions.record(timeOf(filled), position());
            } else {
                // A short read means the song ended inside it, and the decoder
                // has already moved its position past the end: keep the last
                // row heard.
                ended = true;
            }
        }
        // The decoder ran out during this mix, and its last frame went out in
        // it: the frame after that one is the first without song.
        if (ended && !endRecorded) {
            positions.recordEnd(timeOf(filled));
            endRecorded = true;
        }
        std::fill(samples + 2 * filled, samples + 2 * frames, int16_t{0});
        return filled;
    }

private:
    int16_t nextFrame[2] = {0, 0};
    bool hasNextFrame = false;
    bool primed = false;
    bool ended = false;        // nothing more comes from the decoder
    bool endRecorded = false;  // the time of the end is in `positions` (or never will be)
};
