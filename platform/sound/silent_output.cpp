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
    source = std::move(pulledSource);
    startNs = steadyNowNs();
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
    source = nullptr;
}

void SilentOutput::run() {
    // Block k is due when block k - kBlocksAhead starts to be heard. Times
    // come from the block count, not from the sleeps, so the pace never
    // drifts, and a late thread catches up block by block.
    std::vector<int16_t> samples(2 * block);
    for (int64_t k = 0;; ++k) {
        const int64_t due =
            startNs + (std::max<int64_t>(k - kBlocksAhead, 0) * static_cast<int64_t>(block) * 1000000000) / rate;
        {
            std::unique_lock<std::mutex> lock(mutex);
            const auto dueTime = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due));
            if (wake.wait_until(lock, dueTime, [this] { return stopping; })) return;
        }
        source(samples.data(), block);
    }
}

void SilentOutput::pullTo(int64_t frame) const {
    while (source && pulled < frame) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(frame - pulled, static_cast<int64_t>(block)));
        source(discarded.data(), count);
        pulled += static_cast<int64_t>(count);
    }
}

double SilentOutput::frameHeardAt(int64_t steadyNs) const {
    if (!started) return -1.0;
    const double frame = static_cast<double>(steadyNs - startNs) * rate / 1e9;
    if (!ownThread) pullTo(static_cast<int64_t>(std::ceil(frame)));
    return frame;
}
