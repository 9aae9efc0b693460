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

const SongRowTable& SoundSong::rowTable(int currentRate) {
    std::lock_guard<std::mutex> lock(measuring);
    if (tableRate != currentRate) {
        // A decoder of its own: the one playing keeps its place.
        std::unique_ptr<SongDecoder> scratch = makeSongDecoder(bytes);
        table = SongRowTable(*scratch, currentRate);
        tableRate = currentRate;
    }
    return table;
}

void SoundSong::seekTo(int64_t songFrame) {
    int mixRate;
    {
        std::lock_guard<std::mutex> lock(mixing);
        mixRate = rate;
    }
    const SongRowTable& rows = rowTable(mixRate);
    songFrame = std::max<int64_t>(songFrame, 0);
    const MusicPosition target = rows.rowAt(songFrame);
    std::lock_guard<std::mutex> lock(mixing);
    decoderFresh = false;
    if (songFrame >= rows.length()) {
        positions.reset(target);
        positions.recordEnd(kAlways);
        reader.stop();
        return;
    }
    decoder->seek(target.order, target.row);
    // The frames of the row before the target are read and dropped.
    int16_t dropped[2 * 256];
    for (int64_t left = songFrame - rows.startFrame(target.order, target.row); left > 0;) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(left, 256));
        if (decoder->read(rate, count, dropped) == 0) break;
        left -= static_cast<int64_t>(count);
    }
    reader.restart();
    positions.reset(target);
}
