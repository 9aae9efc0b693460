#include "platform/sound/openmpt/music_song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <ostream>
#include <streambuf>

#include "platform/display/DynamicError.h"
#include "platform/sound/song_file.h"

namespace {

// Swallows the decoder's warnings: the show logs nothing.
class DiscardingBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

class SilentStream : public std::ostream {
public:
    SilentStream() : std::ostream(&buffer) {}

private:
    DiscardingBuffer buffer;
};

}  // namespace

MusicSong::MusicSong(const std::string& path) : file(readSongFile(path)), silentLog(new SilentStream) {
    decoder = decode();
    decoderFresh = true;
    positions.reset({0, 0});
}

MusicSong::~MusicSong() = default;

std::unique_ptr<openmpt::module> MusicSong::decode() const {
    // The song plays once and ends where it ends: no fade-out, no loop. No
    // dither either: its noise is drawn afresh by every decoder, and each
    // playing of the song must give the same samples.
    const std::map<std::string, std::string> controls{{"play.at_end", "stop"}, {"dither", "0"}};
    try {
        return std::make_unique<openmpt::module>(file, *silentLog, controls);
    } catch (const std::exception& error) {
        throw DynamicError(std::string("not a module the decoder reads: ") + error.what());
    }
}

MusicPosition MusicSong::decoderPosition() const { return {decoder->get_current_order(), decoder->get_current_row()}; }

void MusicSong::restart(int mixRate, int interpolationTaps) {
    std::lock_guard<std::mutex> lock(mixing);
    // A fresh decoder makes every playing of the song mix the same samples.
    if (!decoderFresh) decoder = decode();
    decoderFresh = false;
    if (interpolationTaps != 0) {
        decoder->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, interpolationTaps);
    }
    rate = mixRate;
    reader.restart();
    positions.reset({0, 0});
}

void MusicSong::stop(int64_t time) {
    std::lock_guard<std::mutex> lock(mixing);
    const bool endHeard = positions.endedBy(time);
    positions.reset(positions.at(time));
    if (endHeard) positions.recordEnd(time);
    reader.stop();
}

size_t MusicSong::mix(int16_t* samples, size_t frames, const MusicTimeMap& time) {
    std::lock_guard<std::mutex> lock(mixing);
    return reader.mix(
        samples, frames, positions,
        [&](size_t count, int16_t* out) { return decoder->read_interleaved_stereo(rate, count, out); },
        [&] { return decoderPosition(); },
        [&](size_t frame) {
            return time.firstFrameTime +
                   static_cast<int64_t>(std::llround(static_cast<double>(frame) * time.timePerFrame));
        });
}
