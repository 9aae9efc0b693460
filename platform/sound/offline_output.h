// The offline output: no device and no clock. The caller takes the stream's
// frames itself, and the frame heard is the count handed out, whatever the
// time asked about.
#pragma once

#include "platform/sound/sound_output.h"

class OfflineOutput : public SoundOutput {
public:
    void start(SoundSource pulledSource) override { source = std::move(pulledSource); }
    void stop() override { source = nullptr; }
    double frameHeardAt(int64_t) const override { return static_cast<double>(handed); }
    int64_t latency() const override { return 0; }
    // The caller's pace is the clock: nothing is held, and the layer pauses
    // the song itself.
    int64_t hold() override { return handed; }
    void resume() override {}

    // The next `frames` frames of the stream, on the caller's thread; the
    // source's errors pass through, and the frames then count as not handed
    // out.
    void handOut(int16_t* samples, size_t frames) {
        source(samples, frames);
        handed += static_cast<int64_t>(frames);
    }
    // Frames handed out so far: the stream frame the next one is.
    int64_t handedOut() const { return handed; }

private:
    SoundSource source;
    int64_t handed = 0;
};
