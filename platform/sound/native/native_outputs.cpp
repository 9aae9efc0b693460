// The device outputs of the native build. The default output plays through
// the sound server when one runs (PipeWire's answers too), else through SDL's
// own choice; the plain ALSA output through ALSA itself, else SDL's ALSA
// driver. A build without a backend's library leaves it out.
#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "platform/sound/sdl/sdl_output.h"
#include "platform/sound/sound_backends.h"
#include "platform/sound/pulse/pulse_output.h"
#if PEEKSTUN_ALSA
#include "platform/sound/alsa/alsa_output.h"
#endif

namespace {

enum class Backend { Pulse, Alsa, Sdl, SdlAlsa };

Backend backendFor(int output) {
    if (output == FSOUND_OUTPUT_WINMM) {
#if PEEKSTUN_ALSA
        return Backend::Alsa;
#else
        return Backend::SdlAlsa;
#endif
    }
    if (pulseServerRunning()) return Backend::Pulse;
    return Backend::Sdl;
}

}  // namespace

std::vector<std::string> listOutputDevices(int output) {
    switch (backendFor(output)) {
        case Backend::Pulse:
            return listPulseDevices();
#if PEEKSTUN_ALSA
        case Backend::Alsa:
            return listAlsaDevices();
#endif
        case Backend::SdlAlsa:
            return SdlOutput::listDevices("alsa");
        default:
            return SdlOutput::listDevices(nullptr);
    }
}

std::unique_ptr<SoundOutput> openDeviceOutput(int output, const char* device, int rate,
                                              [[maybe_unused]] size_t bufferFrames) {
    switch (backendFor(output)) {
        case Backend::Pulse:
            return openPulseOutput(device, rate, bufferFrames);
#if PEEKSTUN_ALSA
        case Backend::Alsa:
            return openAlsaOutput(device, rate, bufferFrames);
#endif
        case Backend::SdlAlsa:
            return std::make_unique<SdlOutput>("alsa", device, rate);
        default:
            return std::make_unique<SdlOutput>(nullptr, device, rate);
    }
}

bool soundHasThreads() { return true; }
