#include "platform/sound/sdl/sdl_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/display/DynamicError.h"
#include "platform/sound/sound_clock.h"

namespace {

// Starts SDL's audio layer for the lifetime of one scope unless released.
class AudioDriver {
public:
    explicit AudioDriver(const char* driver) {
        if (SDL_AudioInit(driver) != 0) {
            throw DynamicError(std::string("cannot start the audio driver ") + (driver ? driver : "") + ": " +
                               SDL_GetError());
        }
    }
    ~AudioDriver() {
        if (!released) SDL_AudioQuit();
    }
    void release() { released = true; }

private:
    bool released = false;
};

std::vector<std::string> currentDeviceNames() {
    std::vector<std::string> names;
    int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        names.push_back(name ? name : "");
    }
    return names;
}

// A power of two of about 20 ms: short enough for the estimate of what is
// heard to stay close, long enough not to starve.
int blockFrames(int rate) {
    int frames = 256;
    while (frames * 50 < rate) frames *= 2;
    return frames;
}

// The time between handing a block over and hearing its first frame.
int64_t blockLatency(const SDL_AudioSpec& spec) {
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0)) return 0;
    return static_cast<int64_t>(spec.samples) * 1000000000 / spec.freq;
}

}  // namespace

SdlOutput::SdlOutput(const char* driver, const char* device, int mixRate) : rate(mixRate) {
    AudioDriver started(driver);
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(blockFrames(rate));
    wanted.callback = &SdlOutput::fill;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id = SDL_OpenAudioDevice(device, 0, &wanted, &obtained, 0);
    if (id == 0) {
        throw DynamicError(std::string("cannot open the audio device ") + (device ? device : "(default)") + ": " +
                           SDL_GetError());
    }
    latencyNs = blockLatency(obtained);
    started.release();
}

SdlOutput::~SdlOutput() {
    SDL_CloseAudioDevice(id);  // waits for the audio thread to finish
    SDL_AudioQuit();
}

void SdlOutput::start(SoundSource pulledSource) {
    source = std::move(pulledSource);
    SDL_PauseAudioDevice(id, 0);
}

void SdlOutput::stop() {
    // Paused, the device plays silence from its next block on; SDL keeps no
    // queue of its own beyond the block being played.
    SDL_LockAudioDevice(id);
    source = nullptr;
    SDL_UnlockAudioDevice(id);
    SDL_PauseAudioDevice(id, 1);
}

void SdlOutput::fill(void* self, unsigned char* stream, int length) {
    auto* output = static_cast<SdlOutput*>(self);
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const size_t frames = static_cast<size_t>(length) / 4;
    if (!output->source || output->held) {
        std::fill(samples, samples + 2 * frames, int16_t{0});
        return;
    }
    {
        std::lock_guard<std::mutex> lock(output->timing);
        output->blockAt = steadyNowNs();
        output->framesBefore = output->framesAfter;
        output->framesAfter += static_cast<int64_t>(frames);
        output->begun = true;
    }
    output->source(samples, frames);
}

int64_t SdlOutput::hold() {
    SDL_LockAudioDevice(id);
    if (source && !held) {
        held = true;
        std::lock_guard<std::mutex> lock(timing);
        // The clock stands at the frame after the block last handed over,
        // and goes on from there, never back, once resumed.
        framesBefore = framesAfter;
        blockAt = std::numeric_limits<int64_t>::min() / 4;
        heldFloor = static_cast<double>(framesAfter);
    }
    const int64_t unheard = framesAfter;
    SDL_UnlockAudioDevice(id);
    return unheard;
}

void SdlOutput::resume() {
    SDL_LockAudioDevice(id);
    held = false;
    SDL_UnlockAudioDevice(id);
}

double SdlOutput::frameHeardAt(int64_t steadyNs) const {
    std::lock_guard<std::mutex> lock(timing);
    if (!begun) return -1.0;
    // The block's first frame is heard `latencyNs` after it was handed over,
    // and no frame is heard before it was handed over.
    const double frame =
        static_cast<double>(framesBefore) + static_cast<double>(steadyNs - blockAt - latencyNs) * rate / 1e9;
    return std::max(std::min(frame, static_cast<double>(framesAfter)), heldFloor);
}

std::vector<std::string> SdlOutput::listDevices(const char* driver) {
    AudioDriver started(driver);
    return currentDeviceNames();
}
