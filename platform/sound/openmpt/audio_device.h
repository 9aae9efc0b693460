// A playback device opened through SDL's audio layer, pulling its blocks
// from an AudioRender on SDL's audio thread.
#pragma once

#include <string>
#include <vector>

#include "platform/sound/audio_render.h"

class AudioDevice {
public:
    // Starts SDL audio with `driver` (nullptr: SDL's own choice) and opens the
    // playback device named `device` (nullptr: the default one) for 16-bit
    // stereo at `rate` Hz. Throws DynamicError with SDL's reason on failure.
    // Playback starts at once; `render` is first called on the audio thread.
    AudioDevice(const char* driver, const char* device, int rate, AudioRender render);
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // The playback devices of the running driver.
    std::vector<std::string> deviceNames() const;
    // The playback devices `driver` offers (nullptr: SDL's own choice of
    // driver); throws DynamicError when the driver does not start. Must not be
    // called while an AudioDevice exists: SDL runs one audio driver at a time.
    static std::vector<std::string> listDevices(const char* driver);

    // How long after the audio thread hands over a block it starts to be heard.
    int64_t latency() const { return latencyNs; }

private:
    static void fill(void* self, unsigned char* stream, int length);

    AudioRender render;
    unsigned int id = 0;
    int64_t latencyNs = 0;
};
