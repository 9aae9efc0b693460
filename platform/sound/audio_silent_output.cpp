#include "platform/sound/audio_silent_output.h"

AudioSilentOutput::AudioSilentOutput(int mixRate, AudioRender renderBlock)
    : rate(mixRate), render(std::move(renderBlock)), thread(&AudioSilentOutput::run, this) {}

AudioSilentOutput::~AudioSilentOutput() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void AudioSilentOutput::run() {
    const size_t frames = audioBlockFrames(rate);
    std::vector<int16_t> discarded(2 * frames);
    const int64_t start = audioClockNow();
    // Block k is mixed when block k - 2 starts to be "heard", like a device
    // holding two blocks; the margin lets the thread be late now and then
    // without the position falling behind. Times come from the block count,
    // not from the sleeps, so the pace never drifts.
    const int64_t blocksAhead = 2;
    for (int64_t block = 0;; ++block) {
        const int64_t due = start + (block * static_cast<int64_t>(frames) * 1000000000) / rate;
        const int64_t heardAt = start + ((block + blocksAhead) * static_cast<int64_t>(frames) * 1000000000) / rate;
        {
            std::unique_lock<std::mutex> lock(mutex);
            const auto dueTime = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due));
            if (wake.wait_until(lock, dueTime, [this] { return stopping; })) return;
        }
        render(discarded.data(), frames, heardAt);
    }
}
