// The "no sound" output: the stream advances in real time, heard by nobody.
// Frame f is "heard" f / rate seconds after start().
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound_output.h"

class SilentOutput : public SoundOutput {
public:
    // With `ownThread`, a thread pulls the stream at the pace a device would,
    // a little ahead of the frame heard; without one (where there are no
    // threads), frameHeardAt pulls the stream up to the frame it reports.
    SilentOutput(int rate, bool ownThread);
    ~SilentOutput() override;

    void start(SoundSource source) override;
    void stop() override;
    double frameHeardAt(int64_t steadyNs) const override;
    int64_t latency() const override { return 0; }

private:
    void run();
    void pullTo(int64_t frame) const;

    const int rate;
    const bool ownThread;
    const size_t block;
    SoundSource source;
    int64_t startNs = 0;
    bool started = false;
    // Without a thread of its own: the frames pulled so far, and the buffer
    // they are thrown away from.
    mutable int64_t pulled = 0;
    mutable std::vector<int16_t> discarded;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};
