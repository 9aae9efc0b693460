// What a live output asks of the player: the next block of frames, and the
// moment that block starts to be heard.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

// Fills `samples` with `frames` interleaved stereo frames whose first frame is
// heard at `heardAt` (nanoseconds of audioClockNow). Called on the output's
// own thread; must not throw.
using AudioRender = std::function<void(int16_t* samples, size_t frames, int64_t heardAt)>;

// The clock of every live output: a steady clock in nanoseconds.
inline int64_t audioClockNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The block size an output uses at `rate` Hz: a power of two of about 20 ms,
// short enough for the position to follow closely, long enough not to starve.
inline size_t audioBlockFrames(int rate) {
    size_t frames = 256;
    while (frames * 50 < static_cast<size_t>(rate)) frames *= 2;
    return frames;
}
