#include "platform/sound/live_mixer.h"

#include <algorithm>

LiveMixer::LiveMixer(Mix mixFrames, size_t aheadFrames, size_t blockFrames, bool mixingThread)
    : mix(std::move(mixFrames)),
      capacity(std::max(aheadFrames, blockFrames)),
      block(blockFrames),
      threaded(mixingThread) {
    if (!threaded) return;
    ring.resize(2 * capacity);
    scratch.resize(2 * block);
    {
        // Full before the output pulls its first frame.
        std::lock_guard<std::mutex> lock(mixing);
        mixAhead(capacity);
    }
    thread = std::thread(&LiveMixer::run, this);
}

LiveMixer::~LiveMixer() {
    if (!threaded) return;
    {
        std::lock_guard<std::mutex> lock(ringLock);
        stopping = true;
    }
    room.notify_all();
    thread.join();
}

void LiveMixer::mixAhead(size_t frames) {
    while (frames > 0) {
        const size_t count = std::min(frames, block);
        // Only a holder of `mixing` moves `written`.
        const int64_t first = written;
        mix(scratch.data(), count, first);
        std::lock_guard<std::mutex> lock(ringLock);
        for (size_t i = 0; i < count; ++i) {
            const size_t slot = static_cast<size_t>((first + static_cast<int64_t>(i)) % static_cast<int64_t>(capacity));
            ring[2 * slot] = scratch[2 * i];
            ring[2 * slot + 1] = scratch[2 * i + 1];
        }
        written = first + static_cast<int64_t>(count);
        frames -= count;
    }
}

void LiveMixer::run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(ringLock);
            room.wait(lock, [this] { return stopping || capacity - static_cast<size_t>(written - read) >= block; });
            if (stopping) return;
        }
        // Room only grows until this thread mixes again: pulls take frames
        // out, a change drops them.
        std::lock_guard<std::mutex> lock(mixing);
        mixAhead(block);
    }
}

void LiveMixer::pull(int16_t* samples, size_t frames) {
    if (!threaded) {
        mix(samples, frames, pulled);
        pulled += static_cast<int64_t>(frames);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(ringLock);
        const size_t count = std::min(frames, static_cast<size_t>(written - read));
        for (size_t i = 0; i < count; ++i) {
            const size_t slot = static_cast<size_t>((read + static_cast<int64_t>(i)) % static_cast<int64_t>(capacity));
            samples[2 * i] = ring[2 * slot];
            samples[2 * i + 1] = ring[2 * slot + 1];
        }
        read += static_cast<int64_t>(count);
        if (count < frames) {
            std::fill(samples + 2 * count, samples + 2 * frames, int16_t{0});
            const int64_t start = pulled + static_cast<int64_t>(count);
            const int64_t length = static_cast<int64_t>(frames - count);
            if (!gaps.empty() && gaps.back().streamStart + gaps.back().length == start) {
                gaps.back().length += length;  // still dry since the last pull
            } else {
                gaps.push_back({start, length});
                ++dryRuns;
                if (gaps.size() > kKeptGaps) {
                    forgottenSilence += gaps.front().length;
                    gaps.pop_front();
                }
            }
        }
        pulled += static_cast<int64_t>(frames);
    }
    room.notify_one();
}

void LiveMixer::change(size_t silenceFrames, const std::function<void(int64_t first)>& changed) {
    std::lock_guard<std::mutex> lock(mixing);
    if (!threaded) {
        changed(pulled);
        return;
    }
    {
        std::lock_guard<std::mutex> ringHeld(ringLock);
        const size_t silence = std::min(silenceFrames, capacity);
        for (size_t i = 0; i < silence; ++i) {
            const size_t slot = static_cast<size_t>((read + static_cast<int64_t>(i)) % static_cast<int64_t>(capacity));
            ring[2 * slot] = 0;
            ring[2 * slot + 1] = 0;
        }
        written = read + static_cast<int64_t>(silence);
    }
    changed(written);
    // Full again at once, on the caller's thread: the mixing thread may be
    // slow to wake on a loaded machine, and the output pulls on meanwhile.
    size_t queued;
    {
        std::lock_guard<std::mutex> ringHeld(ringLock);
        queued = static_cast<size_t>(written - read);
    }
    mixAhead(capacity - queued);
}

double LiveMixer::mixedFrameAt(double streamFrame) const {
    if (!threaded) return streamFrame;
    std::lock_guard<std::mutex> lock(ringLock);
    int64_t silence = forgottenSilence;
    for (const Gap& gap : gaps) {
        if (streamFrame < static_cast<double>(gap.streamStart)) break;
        if (streamFrame < static_cast<double>(gap.streamStart + gap.length)) {
            return static_cast<double>(gap.streamStart - silence);
        }
        silence += gap.length;
    }
    return streamFrame - static_cast<double>(silence);
}

uint64_t LiveMixer::underruns() const {
    std::lock_guard<std::mutex> lock(ringLock);
    return dryRuns;
}
