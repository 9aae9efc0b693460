#include "platform/sound/openmpt/audio_device.h"

#include <SDL.h>

#include <cstring>

#include "platform/display/DynamicError.h"

namespace {

// Starts SDL's audio layer for the lifetime of one scope unless it fails.
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

// The time between handing a block over and hearing its first frame. The
// dummy and disk drivers consume each block at once and then wait for its
// length; a real device plays it after the block it already holds.
int64_t blockLatency(const SDL_AudioSpec& spec) {
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0)) return 0;
    return static_cast<int64_t>(spec.samples) * 1000000000 / spec.freq;
}

}  // namespace

AudioDevice::AudioDevice(const char* driver, const char* device, int rate, AudioRender renderBlock)
    : render(std::move(renderBlock)) {
    AudioDriver started(driver);
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(audioBlockFrames(rate));
    wanted.callback = &AudioDevice::fill;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    id = SDL_OpenAudioDevice(device, 0, &wanted, &obtained, 0);
    if (id == 0) {
        throw DynamicError(std::string("cannot open the audio device ") + (device ? device : "(default)") + ": " +
                           SDL_GetError());
    }
    latencyNs = blockLatency(obtained);
    started.release();
    SDL_PauseAudioDevice(id, 0);
}

AudioDevice::~AudioDevice() {
    SDL_CloseAudioDevice(id);  // waits for the audio thread to finish
    SDL_AudioQuit();
}

std::vector<std::string> AudioDevice::deviceNames() const { return currentDeviceNames(); }

std::vector<std::string> AudioDevice::listDevices(const char* driver) {
    AudioDriver started(driver);
    return currentDeviceNames();
}

void AudioDevice::fill(void* self, unsigned char* stream, int length) {
    auto* device = static_cast<AudioDevice*>(self);
    int64_t heardAt = audioClockNow() + device->latencyNs;
    device->render(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 4, heardAt);
}
