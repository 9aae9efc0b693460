// The latest word from a device on which frame it plays when, kept by the
// output's own thread and read from any other without waiting: a reader
// extrapolates at the stream's rate from the last report, so asking every
// video frame costs a few loads and never touches the device.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/sound/sound_clock.h"

class HeardFrameCache {
public:
    HeardFrameCache(int rate, int64_t latencyNs) : rate(rate) { latencyStore.store(latencyNs); }

    // From the output's thread: `frame` is heard at `atNs` (steady clock), and
    // frames up to `written` have been handed to the device. Nothing past
    // `written` is ever reported as heard. With `playing` false the position
    // holds still at `frame`. A report behind the last one's reckoning (the
    // device's delay grew) holds the position until the device catches up, so
    // the heard frame never goes back: the reckoning is taken now, since a
    // reader may have asked about any moment up to now.
    void report(int64_t atNs, double frame, double written, bool playing) {
        const int64_t now = steadyNowNs();
        const double reckoned =
            atStore.load(std::memory_order_relaxed) == noReport ? -1.0 : frameAt(std::max(atNs, now));
        const uint32_t sequence = version.load(std::memory_order_relaxed);
        // Each store releases the odd version before it, so a reader that sees
        // any new value also sees that the version moved.
        version.store(sequence + 1, std::memory_order_relaxed);
        atStore.store(atNs, std::memory_order_release);
        frameStore.store(frame, std::memory_order_release);
        heldStore.store(playing ? reckoned : frame, std::memory_order_release);
        writtenStore.store(playing ? written : frame, std::memory_order_release);
        version.store(sequence + 2, std::memory_order_release);
    }
    void reportLatency(int64_t latencyNs) { latencyStore.store(latencyNs, std::memory_order_relaxed); }

    // The frame heard at `steadyNs`; -1 until the first report.
    double frameAt(int64_t steadyNs) const {
        int64_t at;
        double frame, held, written;
        for (;;) {
            const uint32_t before = version.load(std::memory_order_acquire);
            at = atStore.load(std::memory_order_acquire);
            frame = frameStore.load(std::memory_order_acquire);
            held = heldStore.load(std::memory_order_acquire);
            written = writtenStore.load(std::memory_order_acquire);
            // Odd or changed: the writer was half way through; it finishes in
            // a few stores.
            if (!(before & 1) && before == version.load(std::memory_order_relaxed)) break;
        }
        if (at == noReport) return -1.0;
        return std::min(std::max(frame + static_cast<double>(steadyNs - at) * rate / 1e9, held), written);
    }
    int64_t latency() const { return latencyStore.load(std::memory_order_relaxed); }

private:
    static constexpr int64_t noReport = INT64_MIN;

    const int rate;
    std::atomic<uint32_t> version{0};
    std::atomic<int64_t> atStore{noReport};
    std::atomic<double> frameStore{0.0};
    std::atomic<double> heldStore{-1.0};
    std::atomic<double> writtenStore{0.0};
    std::atomic<int64_t> latencyStore{0};
};
