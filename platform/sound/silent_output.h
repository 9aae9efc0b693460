// The "no sound" output: the stream advances in real time, heard by nobody.
// Frame f is "heard" f / rate seconds after start(), less the time held.
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
    int64_t hold() override;
    void resume() override;

private:
    void run();
    void pullTo(int64_t frame) const;  // with `mutex` held
    double frameAtLocked(int64_t steadyNs) const;

    const int rate;
    const bool ownThread;
    const size_t block;
    SoundSource source;
    // Everything below is guarded by `mutex`; the thread pulls with it held,
    // so a hold never meets a pull half done.
    mutable std::mutex mutex;
    std::condition_variable wake;
    // Stream frame `originFrame` is heard at `originNs`, and the stream runs
    // on at the rate from there unless held.
    int64_t originNs = 0;
    int64_t originFrame = 0;
    bool started = false;
    bool held = false;
    mutable int64_t pulled = 0;  // frames pulled so far
    // Without a thread of its own, the buffer pulled frames are thrown away
    // from.
    mutable std::vector<int16_t> discarded;
    bool stopping = false;
    std::thread thread;
};
