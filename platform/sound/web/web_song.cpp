#include "platform/sound/web/web_song.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>

#include "platform/display/DynamicError.h"
#include "platform/sound/music_xm_check.h"

// clang-format off
EM_ASYNC_JS(int, webDecoderLoad, (), {
    return (await peekstunSound.loadLibrary()) ? 1 : 0;
});
EM_JS(int, webDecoderCreate, (const uint8_t* data, size_t size), {
    return peekstunSound.createDecoder(HEAPU8.subarray(data, data + size));
});
EM_JS(void, webDecoderDestroy, (int decoder), { peekstunSound.destroyDecoder(decoder); });
EM_JS(void, webDecoderSetTaps, (int decoder, int taps), { peekstunSound.setTaps(decoder, taps); });
EM_JS(int, webDecoderRead, (int decoder, int rate, int frames, int16_t* samples), {
    return peekstunSound.read(decoder, rate, frames, HEAP16.subarray(samples >> 1, (samples >> 1) + 2 * frames));
});
EM_JS(int, webDecoderOrder, (int decoder), { return peekstunSound.order(decoder); });
EM_JS(int, webDecoderRow, (int decoder), { return peekstunSound.row(decoder); });
// clang-format on

namespace {

// Far beyond any module, small enough that a device given as the song
// cannot eat the memory.
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
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw DynamicError("cannot read " + path);
    if (bytes.size() > kLargestSong) throw DynamicError(path + " is too large for a song");
    return bytes;
}

}  // namespace

WebSong::WebSong(const std::string& path) : bytes(readWholeFile(path)) {
    if (bytes.empty()) throw DynamicError(path + " is empty");
    if (isTruncatedXm(bytes.data(), bytes.size())) throw DynamicError(path + " is cut short");
    if (!webDecoderLoad()) throw DynamicError("the page's sound decoder did not load");
    decoder = makeDecoder();
    decoderFresh = true;
    positions.reset({0, 0});
}

WebSong::~WebSong() { webDecoderDestroy(decoder); }

int WebSong::makeDecoder() const {
    const int made = webDecoderCreate(bytes.data(), bytes.size());
    if (made == 0) throw DynamicError("not a module the decoder reads");
    return made;
}

MusicPosition WebSong::decoderPosition() const { return {webDecoderOrder(decoder), webDecoderRow(decoder)}; }

void WebSong::restart(int mixRate, int interpolationTaps) {
    // A fresh decoder makes every playing of the song mix the same samples.
    if (!decoderFresh) {
        const int fresh = makeDecoder();
        webDecoderDestroy(decoder);
        decoder = fresh;
    }
    decoderFresh = false;
    if (interpolationTaps != 0) webDecoderSetTaps(decoder, interpolationTaps);
    rate = mixRate;
    hasNextFrame = false;
    primed = false;
    ended = false;
    endRecorded = false;
    positions.reset({0, 0});
}

void WebSong::freeze(MusicPosition position, bool finished) {
    positions.reset(position);
    if (finished) positions.recordEnd(0);
    hasNextFrame = false;
    ended = true;
    endRecorded = true;
}

size_t WebSong::mix(int16_t* samples, size_t frames, int64_t firstFrame) {
    auto timeOf = [&](size_t frame) { return firstFrame + static_cast<int64_t>(frame); };
    // The decoder reports the position of the last frame it produced. Reading
    // one frame ahead makes that the frame heard right after those handed out.
    if (!primed && !ended) {
        primed = true;
        if (webDecoderRead(decoder, rate, 1, nextFrame) == 1) {
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

        int16_t step[2 * kPositionStep];
        const size_t wanted = std::min(kPositionStep, frames - filled + 1);
        const size_t got = static_cast<size_t>(webDecoderRead(decoder, rate, static_cast<int>(wanted), step));
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
            // The song ended inside the step and the decoder's position has
            // moved past it: the last row heard stays.
            ended = true;
        }
    }
    if (ended && !endRecorded) {
        positions.recordEnd(timeOf(filled));
        endRecorded = true;
    }
    std::fill(samples + 2 * filled, samples + 2 * frames, int16_t{0});
    return filled;
}
