#include "platform/sound/sound_song.h"

#include <algorithm>
#include <limits>

#include "platform/sound/song_file.h"

namespace {

// A frozen song's end, when heard, holds at every frame.
constexpr int64_t kAlways = std::numeric_limits<int64_t>::min();

}  // namespace

SoundSong::SoundSong(const std::string& path) : bytes(readSongFile(path)), decoder(makeSongDecoder(bytes)) {
    decoderFresh = true;
    positions.reset({0, 0});
}

void SoundSong::restart(int mixRate, int interpolationTaps) {
    std::lock_guard<std::mutex> lock(mixing);
    // A fresh decoder makes every playing of the song mix the same samples.
    if (!decoderFresh) decoder = makeSongDecoder(bytes);
    decoderFresh = false;
    if (interpolationTaps != 0) decoder->setInterpolationTaps(interpolationTaps);
    rate = mixRate;
    taps = interpolationTaps;
    reader.restart();
    positions.reset({0, 0});
}

void SoundSong::stop(int64_t frame) {
    std::lock_guard<std::mutex> lock(mixing);
    const bool endHeard = positions.endedBy(frame);
    positions.reset(positions.at(frame));
    if (endHeard) positions.recordEnd(kAlways);
    reader.stop();
}

void SoundSong::freeze(MusicPosition position, bool finished) {
    std::lock_guard<std::mutex> lock(mixing);
    positions.reset(position);
    if (finished) positions.recordEnd(kAlways);
    reader.stop();
}

size_t SoundSong::mix(int16_t* samples, size_t frames, int64_t firstFrame) {
    std::lock_guard<std::mutex> lock(mixing);
    return reader.mix(
        samples, frames, positions, [&](size_t count, int16_t* out) { return decoder->read(rate, count, out); },
        [&] { return decoder->position(); }, [&](size_t frame) { return firstFrame + static_cast<int64_t>(frame); });
}

void SoundSong::seekTo(int64_t songFrame) {
    std::lock_guard<std::mutex> lock(mixing);
    // Exact, not fast: a fresh decoder reads its way to the frame.
    decoder = makeSongDecoder(bytes);
    if (taps != 0) decoder->setInterpolationTaps(taps);
    decoderFresh = false;
    int16_t skipped[2 * 1024];
    for (int64_t left = songFrame; left > 0;) {
        const size_t wanted = static_cast<size_t>(std::min<int64_t>(left, 1024));
        const size_t got = decoder->read(rate, wanted, skipped);
        if (got < wanted) break;
        left -= static_cast<int64_t>(got);
    }
    reader.restart();
    positions.reset(decoder->position());
}
