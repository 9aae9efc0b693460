#include "platform/audio_silent_output.h"

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
    // Block k is mixed when block k - 1 starts to be heard, as a device with
    // one block queued would ask for it. Times come from the block count, not
    // from the sleeps, so the pace never drifts.
    for (int64_t block = 0;; ++block) {
        const int64_t due = start + (block * static_cast<int64_t>(frames) * 1000000000) / rate;
        const int64_t heardAt = start + ((block + 1) * static_cast<int64_t>(frames) * 1000000000) / rate;
        {
            std::unique_lock<std::mutex> lock(mutex);
            const auto dueTime = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due));
            if (wake.wait_until(lock, dueTime, [this] { return stopping; })) return;
        }
        render(discarded.data(), frames, heardAt);
    }
}
