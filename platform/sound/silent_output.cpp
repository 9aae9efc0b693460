#include "platform/sound/silent_output.h"

#include <algorithm>
#include <cmath>

#include "platform/sound/sound_clock.h"

namespace {

// Pulled this many blocks ahead of the frame heard, as a device holding them
// would, so that a late wake-up now and then holds nothing back.
constexpr int64_t kBlocksAhead = 4;

}  // namespace

SilentOutput::SilentOutput(int mixRate, bool threaded)
    : rate(mixRate), ownThread(threaded), block(static_cast<size_t>(std::max(mixRate / 100, 1))) {
    discarded.resize(2 * block);
}

SilentOutput::~SilentOutput() { stop(); }

void SilentOutput::start(SoundSource pulledSource) {
    std::lock_guard<std::mutex> lock(mutex);
    source = std::move(pulledSource);
    originNs = steadyNowNs();
    originFrame = 0;
    started = true;
    if (ownThread) thread = std::thread(&SilentOutput::run, this);
}

void SilentOutput::stop() {
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }
    std::lock_guard<std::mutex> lock(mutex);
    source = nullptr;
}

void SilentOutput::run() {
    // The next block is due when the frame kBlocksAhead blocks before it
    // starts to be heard. Times come from the frame count, not from the
    // sleeps, so the pace never drifts, and a late thread catches up block by
    // block.
    std::vector<int16_t> samples(2 * block);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (stopping) return;
        if (held) {
            wake.wait(lock);
            continue;
        }
        const int64_t dueFrame = pulled - kBlocksAhead * static_cast<int64_t>(block);
        const int64_t due = originNs + (std::max<int64_t>(dueFrame - originFrame, 0) * 1000000000) / rate;
        if (steadyNowNs() < due) {
            wake.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due)));
            continue;
        }
        source(samples.data(), block);
        pulled += static_cast<int64_t>(block);
    }
}

void SilentOutput::pullTo(int64_t frame) const {
    while (source && pulled < frame) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(frame - pulled, static_cast<int64_t>(block)));
        source(discarded.data(), count);
        pulled += static_cast<int64_t>(count);
    }
}

double SilentOutput::frameAtLocked(int64_t steadyNs) const {
    if (!started) return -1.0;
    if (held) return static_cast<double>(originFrame);
    return static_cast<double>(originFrame) + static_cast<double>(steadyNs - originNs) * rate / 1e9;
}

double SilentOutput::frameHeardAt(int64_t steadyNs) const {
    std::lock_guard<std::mutex> lock(mutex);
    const double frame = frameAtLocked(steadyNs);
    if (!ownThread && started && !held) pullTo(static_cast<int64_t>(std::ceil(frame)));
    return frame;
}

int64_t SilentOutput::hold() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!started || held) return pulled;
    const auto unheard = static_cast<int64_t>(std::ceil(frameAtLocked(steadyNowNs())));
    held = true;
    // What was pulled ahead is dropped: the next frame pulled is the next
    // one heard.
    originFrame = pulled;
    return std::min(unheard, pulled);
}

void SilentOutput::resume() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!started || !held) return;
        held = false;
        originNs = steadyNowNs();
    }
    wake.notify_all();
}
