// The factor a volume scales samples by where no sound server applies it:
// the server's own cubic scale of software volumes, so that a figure sounds
// alike through every output.
#pragma once

inline float softwareGain(double volume, bool muted) {
    return muted ? 0.0f : static_cast<float>(volume * volume * volume);
}
