// The song decoder of the browser build: the decoder compiled for the web,
// run on the page's main thread (web/sound.js).
#include <emscripten.h>

#include <string>

#include "platform/display/DynamicError.h"
#include "platform/sound/decoder_rules.h"
#include "platform/sound/song_decoder.h"

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
EM_JS(double, webDecoderSeek, (int decoder, int order, int row), {
    return peekstunSound.seek(decoder, order, row);
});
EM_JS(int, webDecoderOrderCount, (int decoder), { return peekstunSound.orderCount(decoder); });
EM_JS(int, webDecoderRowCount, (int decoder, int order), { return peekstunSound.rowCount(decoder, order); });
EM_JS(int, webDecoderChannelCount, (int decoder), { return peekstunSound.channelCount(decoder); });
EM_JS(int, webDecoderRowCommand, (int decoder, int order, int row, int channel), {
    return peekstunSound.rowCommand(decoder, order, row, channel);
});
EM_JS(double, webDecoderLength, (int decoder), { return peekstunSound.lengthSeconds(decoder); });
// clang-format on

// The decoder's controls for the page's decoders, as JSON [name, value] pairs.
extern "C" EMSCRIPTEN_KEEPALIVE const char* peekstunDecoderControls() {
    static const std::string json = [] {
        std::string text = "[";
        for (const DecoderControl& control : kDecoderControls) {
            if (text.size() > 1) text += ",";
            text += std::string("[\"") + control.name + "\",\"" + control.value + "\"]";
        }
        return text + "]";
    }();
    return json.c_str();
}

namespace {

class WebDecoder : public SongDecoder {
public:
    explicit WebDecoder(const std::vector<uint8_t>& file) {
        // The decoder itself loads on first use.
        if (!webDecoderLoad()) throw DynamicError("the page's sound decoder did not load");
        handle = webDecoderCreate(file.data(), file.size());
        if (handle == 0) throw DynamicError("not a module the decoder reads");
    }
    ~WebDecoder() override { webDecoderDestroy(handle); }
    WebDecoder(const WebDecoder&) = delete;
    WebDecoder& operator=(const WebDecoder&) = delete;

    void setInterpolationTaps(int taps) override { webDecoderSetTaps(handle, taps); }
    size_t read(int rate, size_t frames, int16_t* samples) override {
        return static_cast<size_t>(webDecoderRead(handle, rate, static_cast<int>(frames), samples));
    }
    MusicPosition position() const override { return {webDecoderOrder(handle), webDecoderRow(handle)}; }
    void seek(int order, int row) override { webDecoderSeek(handle, order, row); }
    int orderCount() const override { return webDecoderOrderCount(handle); }
    int rowCount(int order) const override { return webDecoderRowCount(handle, order); }
    double seekSeconds(int order, int row) override {
        if (row < 0 || row >= rowCount(order)) return -1.0;
        return webDecoderSeek(handle, order, row);
    }
    bool rowChangesTiming(int order, int row) const override {
        const int channels = webDecoderChannelCount(handle);
        for (int channel = 0; channel < channels; ++channel) {
            const int command = webDecoderRowCommand(handle, order, row, channel);
            if (command >= 0 && commandChangesTiming(static_cast<char>(command >> 8), command & 0xff)) return true;
        }
        return false;
    }
    double lengthSeconds() const override { return webDecoderLength(handle); }

private:
    int handle = 0;  // the page's name for it
};

}  // namespace

std::unique_ptr<SongDecoder> makeSongDecoder(const std::vector<uint8_t>& file) {
    return std::make_unique<WebDecoder>(file);
}
