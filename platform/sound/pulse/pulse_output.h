// Sound through a PulseAudio server (PipeWire's server answers the same
// protocol): the user's own, or the one PULSE_SERVER names. None is ever
// started for us.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/sound_output.h"

// Whether a server answers now (a short attempt).
bool pulseServerRunning();

// The names of the server's sinks, each one openPulseOutput takes; throws
// DynamicError when no server answers.
std::vector<std::string> listPulseDevices();

// A 16-bit stereo stream at `rate` Hz to the sink named `device` (nullptr:
// the server's default), asking the server to keep about `bufferFrames`
// frames between a frame handed over and its being heard. Throws DynamicError
// with the server's reason when the stream does not open.
std::unique_ptr<SoundOutput> openPulseOutput(const char* device, int rate, size_t bufferFrames);
