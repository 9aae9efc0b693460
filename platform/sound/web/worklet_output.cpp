// The page's sound output: an audio worklet (web/sound-worklet.js) that
// decodes the song itself beside the audio and reports each change of
// position with the audio frame carrying it; the page (web/sound.js) knows
// when each frame is heard, and answers what is heard at a moment of its own
// clock, which is the steady clock here.
#include <emscripten.h>

#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "platform/sound/software_gain.h"
#include "platform/sound/sound_backends.h"

// clang-format off
EM_ASYNC_JS(int, webLiveOpen, (int rate), {
    return (await peekstunSound.openLive(rate)) ? 1 : 0;
});
EM_JS(void, webLivePlay, (const uint8_t* data, size_t size, int taps), {
    peekstunSound.playLive(HEAPU8.subarray(data, data + size), taps);
});
EM_JS(void, webLiveStop, (), { peekstunSound.stopLive(); });
EM_JS(void, webLivePause, (int paused), { peekstunSound.pauseLive(paused !== 0); });
EM_JS(void, webLiveSeek, (int order, int row, double framesIntoRow), {
    peekstunSound.seekLive(order, row, framesIntoRow);
});
EM_JS(void, webLiveClose, (), { peekstunSound.closeLive(); });
EM_JS(void, webLiveGain, (double gain), { peekstunSound.setGain(gain); });
EM_JS(int, webLiveHeardPosition, (double atMs), { return peekstunSound.heardPosition(atMs); });
EM_JS(int, webLiveHeardEnd, (double atMs), { return peekstunSound.heardEnd(atMs) ? 1 : 0; });
// clang-format on

namespace {

const char* const kPageOutput = "The page's sound output";

class WorkletOutput : public SoundOutput {
public:
    explicit WorkletOutput(int rate) {
        if (!webLiveOpen(rate)) throw DynamicError("the page cannot play sound");
    }
    ~WorkletOutput() override { webLiveClose(); }
    WorkletOutput(const WorkletOutput&) = delete;
    WorkletOutput& operator=(const WorkletOutput&) = delete;

    // The worklet pulls no stream: it plays the songs handed to playSong.
    void start(SoundSource) override {}
    void stop() override { webLiveStop(); }
    double frameHeardAt(int64_t) const override { return -1.0; }
    int64_t latency() const override { return 0; }
    // Pulling nothing, it holds nothing: the song itself pauses.
    int64_t hold() override { return 0; }
    void resume() override {}

    bool playSong(const std::vector<uint8_t>& file, int interpolationTaps) override {
        webLivePlay(file.data(), file.size(), interpolationTaps);
        return true;
    }
    void stopSong() override { webLiveStop(); }
    void pauseSong(bool paused) override { webLivePause(paused ? 1 : 0); }
    void seekSong(int order, int row, int64_t framesIntoRow) override {
        webLiveSeek(order, row, static_cast<double>(framesIntoRow));
    }
    // The page's own volume: a gain after the worklet.
    bool setVolume(double newVolume, bool newMuted) override {
        volume = newVolume;
        muted = newMuted;
        webLiveGain(softwareGain(volume, muted));
        return true;
    }
    bool readVolume(double& outVolume, bool& outMuted) const override {
        outVolume = volume;
        outMuted = muted;
        return true;
    }
    SongHeard songHeardAt(int64_t steadyNs) const override {
        const double atMs = static_cast<double>(steadyNs) / 1e6;
        const int packed = webLiveHeardPosition(atMs);
        return {packed >> 16, packed & 0xffff, webLiveHeardEnd(atMs) != 0};
    }

private:
    double volume = 1;
    bool muted = false;
};

}  // namespace

std::vector<std::string> listOutputDevices(int) { return {kPageOutput}; }

std::unique_ptr<SoundOutput> openDeviceOutput(int, const char*, int rate, size_t) {
    return std::make_unique<WorkletOutput>(rate);
}

bool soundHasThreads() { return false; }
