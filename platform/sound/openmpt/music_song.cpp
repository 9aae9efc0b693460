#include "platform/sound/openmpt/music_song.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <ostream>
#include <streambuf>

#include "platform/display/DynamicError.h"
#include "platform/sound/music_xm_check.h"

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

// Far beyond any module, small enough that a device or a pipe given as the
// song cannot eat the memory.
constexpr size_t kLargestSong = size_t{256} << 20;

std::vector<uint8_t> readWholeFile(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) throw DynamicError("cannot open " + path);
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while (bytes.size() <= kLargestSong && (got = std::fread(block, 1, sizeof block, in)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw DynamicError("cannot read " + path);
    if (bytes.size() > kLargestSong) throw DynamicError(path + " is too large for a song");
    return bytes;
}

}  // namespace

MusicSong::MusicSong(const std::string& path) : file(readWholeFile(path)), silentLog(new SilentStream) {
    if (file.empty()) throw DynamicError(path + " is empty");
    if (isTruncatedXm(file.data(), file.size())) throw DynamicError(path + " is cut short");
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
    hasNextFrame = false;
    primed = false;
    ended = false;
    endRecorded = false;
    positions.reset({0, 0});
}

void MusicSong::stop(int64_t time) {
    std::lock_guard<std::mutex> lock(mixing);
    const bool endHeard = positions.endedBy(time);
    positions.reset(positions.at(time));
    if (endHeard) positions.recordEnd(time);
    hasNextFrame = false;
    ended = true;
    endRecorded = true;
}

size_t MusicSong::mix(int16_t* samples, size_t frames, const MusicTimeMap& time) {
    std::lock_guard<std::mutex> lock(mixing);
    auto timeOf = [&](size_t frame) {
        return time.firstFrameTime + static_cast<int64_t>(std::llround(static_cast<double>(frame) * time.timePerFrame));
    };
    // The decoder reports the position of the last frame it produced. Reading
    // one frame ahead makes that the frame heard right after those handed out.
    if (!primed && !ended) {
        primed = true;
        if (decoder->read_interleaved_stereo(rate, 1, nextFrame) == 1) {
            hasNextFrame = true;
            positions.record(timeOf(0), decoderPosition());
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
        size_t wanted = std::min(kPositionStep, frames - filled + 1);
        size_t got = decoder->read_interleaved_stereo(rate, wanted, step);
        if (got == 0) {
            ended = true;
            break;
        }
        std::copy(step, step + 2 * (got - 1), samples + 2 * filled);
        std::copy(step + 2 * (got - 1), step + 2 * got, nextFrame);
        hasNextFrame = true;
        filled += got - 1;
        if (got == wanted) {
            positions.record(timeOf(filled), decoderPosition());
        } else {
            // A short read means the song ended inside it, and the decoder has
            // already moved its position past the end: keep the last row heard.
            ended = true;
        }
    }
    // The decoder ran out during this mix, and its last frame went out
    // in it: the frame after that one is the first without song.
    if (ended && !endRecorded) {
        positions.recordEnd(timeOf(filled));
        endRecorded = true;
    }
    std::fill(samples + 2 * filled, samples + 2 * frames, int16_t{0});
    return filled;
}
