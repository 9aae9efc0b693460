#include "platform/sound/web/web_song.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>

#include "platform/display/DynamicError.h"
#include "platform/sound/song_file.h"

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

WebSong::WebSong(const std::string& path) : bytes(readSongFile(path)) {
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
    reader.restart();
    positions.reset({0, 0});
}

void WebSong::freeze(MusicPosition position, bool finished) {
    positions.reset(position);
    if (finished) positions.recordEnd(0);
    reader.stop();
}

size_t WebSong::mix(int16_t* samples, size_t frames, int64_t firstFrame) {
    return reader.mix(
        samples, frames, positions,
        [&](size_t count, int16_t* out) {
            return static_cast<size_t>(webDecoderRead(decoder, rate, static_cast<int>(count), out));
        },
        [&] { return decoderPosition(); }, [&](size_t frame) { return firstFrame + static_cast<int64_t>(frame); });
}
