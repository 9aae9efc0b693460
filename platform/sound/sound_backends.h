// What each build's sound backends give the music layer: the devices of the
// two device outputs, opening one, and whether the layer may mix on a thread
// of its own. The native build answers from its sound server, ALSA and SDL
// backends, the page from its audio worklet.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sound/sound_output.h"

// The playback devices of `output` (FSOUND_OUTPUT_WINMM or
// FSOUND_OUTPUT_DSOUND), as the backend that plays it names them. Throws
// DynamicError when that backend does not start.
std::vector<std::string> listOutputDevices(int output);

// Opens `device` (nullptr: the default one) of `output` for 16-bit stereo at
// `rate` Hz, holding about `bufferFrames` frames. Throws DynamicError with the
// backend's reason when it does not open.
std::unique_ptr<SoundOutput> openDeviceOutput(int output, const char* device, int rate, size_t bufferFrames);

// False where there are no threads: the layer then mixes within each pull.
bool soundHasThreads();
