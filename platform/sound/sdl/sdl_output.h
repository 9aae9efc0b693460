// A playback device opened through SDL's audio layer, the fallback where no
// sound server or ALSA output serves. SDL reports nothing of what the device
// holds: a block handed over is taken to be heard after the one the device
// already plays (at once on the dummy and disk drivers, which take each block
// and then wait for its length).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/sound_output.h"

class SdlOutput : public SoundOutput {
public:
    // Starts SDL audio with `driver` (nullptr: SDL's own choice) and opens the
    // playback device named `device` (nullptr: the default one) for 16-bit
    // stereo at `rate` Hz, paused. Throws DynamicError with SDL's reason.
    SdlOutput(const char* driver, const char* device, int rate);
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    void start(SoundSource source) override;
    void stop() override;
    double frameHeardAt(int64_t steadyNs) const override;
    int64_t latency() const override { return latencyNs; }
    // SDL cannot take back a block once handed over: the one playing is heard
    // out, and the device plays silence after it until resumed.
    int64_t hold() override;
    void resume() override;

    // The playback devices `driver` offers (nullptr: SDL's own choice of
    // driver); throws DynamicError when the driver does not start. Must not be
    // called while an SdlOutput exists: SDL runs one audio driver at a time.
    static std::vector<std::string> listDevices(const char* driver);

private:
    static void fill(void* self, unsigned char* stream, int length);

    SoundSource source;  // set before the device runs, cleared with it locked
    unsigned int id = 0;
    int rate = 44100;
    int64_t latencyNs = 0;
    // The last block handed over: when, and the stream frames before and
    // after it.
    mutable std::mutex timing;
    int64_t blockAt = 0;
    int64_t framesBefore = 0;
    int64_t framesAfter = 0;
    bool begun = false;
    double heldFloor = -1e300;  // no frame before the last hold is heard after it
    bool held = false;  // guarded by the device's lock
};
