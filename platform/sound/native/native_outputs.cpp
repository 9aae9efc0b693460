// The device outputs of the native build. The default output plays through
// the sound server when one runs (PipeWire's answers too), else through SDL's
// own choice of driver (always SDL's when SDL_AUDIODRIVER names one); the
// plain ALSA output through ALSA itself. Devices are listed by the backend
// that would play them.
#include <cstdlib>

#include "platform/display/DynamicError.h"
#include "platform/sound/alsa/alsa_output.h"
#include "platform/sound/fmod.h"
#include "platform/sound/pulse/pulse_output.h"
#include "platform/sound/sdl/sdl_output.h"
#include "platform/sound/sound_backends.h"

namespace {

enum class Backend { Pulse, Alsa, Sdl };

Backend backendFor(int output) {
    if (output == FSOUND_OUTPUT_WINMM) return Backend::Alsa;
    // SDL_AUDIODRIVER names the driver SDL is to use: whoever sets it (the
    // tests set "dummy") wants SDL's audio, server or not.
    const char* sdlDriver = std::getenv("SDL_AUDIODRIVER");
    if ((!sdlDriver || !*sdlDriver) && pulseServerRunning()) return Backend::Pulse;
    return Backend::Sdl;
}

}  // namespace

std::vector<std::string> listOutputDevices(int output) {
    switch (backendFor(output)) {
        case Backend::Pulse:
            return listPulseDevices();
        case Backend::Alsa:
            return listAlsaDevices();
        default:
            return SdlOutput::listDevices(nullptr);
    }
}

std::unique_ptr<SoundOutput> openDeviceOutput(int output, const char* device, int rate, size_t bufferFrames) {
    switch (backendFor(output)) {
        case Backend::Pulse:
            return openPulseOutput(device, rate, bufferFrames);
        case Backend::Alsa:
            return openAlsaOutput(device, rate, bufferFrames);
        default:
            return std::make_unique<SdlOutput>(nullptr, device, rate);
    }
}

bool soundHasThreads() { return true; }
