// Sound through an ALSA playback device (a card, or a sound server reached
// through ALSA's plugins), written from a thread of its own; when each frame
// is heard comes from the delay the device reports.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/sound_output.h"

// The names of ALSA's playback devices, "default" first. Throws DynamicError
// when ALSA lists none.
std::vector<std::string> listAlsaDevices();

// Opens the ALSA playback device `device` (nullptr: "default") for 16-bit
// interleaved stereo at exactly `rate` Hz, holding about `bufferFrames` frames
// in a few periods. Throws DynamicError with ALSA's reason when it does not
// open or does not take that format.
std::unique_ptr<SoundOutput> openAlsaOutput(const char* device, int rate, size_t bufferFrames);
