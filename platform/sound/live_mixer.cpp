#include "platform/sound/live_mixer.h"

#include <algorithm>

LiveMixer::LiveMixer(Mix mixFrames, size_t aheadFrames, size_t blockFrames, bool mixingThread)
    : mix(std::move(mixFrames)),
      capacity(std::max(aheadFrames, blockFrames)),
      slots(2 * capacity + blockFrames),
      block(blockFrames),
      threaded(mixingThread) {
    if (!threaded) return;
    ring.resize(2 * slots);
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
            const size_t slot = slotOf(first + static_cast<int64_t>(i));
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
            // After a replay the ring may hold more than it mixes ahead.
            room.wait(lock, [this] {
                return stopping || static_cast<int64_t>(capacity) - (written - read) >= static_cast<int64_t>(block);
            });
            if (stopping) return;
        }
        // Room only grows until this thread mixes again: pulls take frames
        // out, a change drops them.
        std::lock_guard<std::mutex> lock(mixing);
        mixAhead(block);
    }
}

void LiveMixer::startSegment(int64_t streamStart, int64_t mixedStart, bool silent) {
    if (!segments.empty() && segments.back().streamStart == streamStart) segments.pop_back();
    segments.push_back({streamStart, mixedStart, silent});
    if (segments.size() > kKeptSegments) segments.pop_front();
}

void LiveMixer::pull(int16_t* samples, size_t frames) {
    if (!threaded) {
        mix(samples, frames, read);
        read += static_cast<int64_t>(frames);
        pulled += static_cast<int64_t>(frames);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(ringLock);
        const size_t count = std::min(frames, static_cast<size_t>(std::max<int64_t>(written - read, 0)));
        const bool wasDry = !segments.empty() && segments.back().silent;
        if (count > 0 && wasDry) startSegment(pulled, read, false);
        for (size_t i = 0; i < count; ++i) {
            const size_t slot = slotOf(read + static_cast<int64_t>(i));
            samples[2 * i] = ring[2 * slot];
            samples[2 * i + 1] = ring[2 * slot + 1];
        }
        read += static_cast<int64_t>(count);
        if (count < frames) {
            std::fill(samples + 2 * count, samples + 2 * frames, int16_t{0});
            // Still dry since the last pull, or a new gap.
            if (count > 0 || !wasDry) {
                startSegment(pulled + static_cast<int64_t>(count), read, true);
                ++dryRuns;
            }
        }
        pulled += static_cast<int64_t>(frames);
    }
    room.notify_one();
}

void LiveMixer::replayFrom(int64_t unheardStream) {
    {
        std::lock_guard<std::mutex> lock(ringLock);
        int64_t from = read;
        if (threaded && unheardStream < pulled) {
            const auto carried = static_cast<int64_t>(mixedFrameAtLocked(static_cast<double>(unheardStream)));
            // The block the mixing thread may be storing now overwrites the
            // oldest slots.
            const int64_t oldestKept = std::max<int64_t>(written + static_cast<int64_t>(block) -
                                                             static_cast<int64_t>(slots), 0);
            from = std::clamp(carried, oldestKept, read);
        }
        read = from;
        // The dropped frames, should the output's clock still pass over
        // them, carry the frame replayed next, as a gap does.
        if (unheardStream < pulled) {
            while (!segments.empty() && segments.back().streamStart >= unheardStream) segments.pop_back();
            startSegment(std::max<int64_t>(unheardStream, 0), read, true);
        }
        startSegment(pulled, read, false);
    }
    room.notify_one();
}

void LiveMixer::change(size_t silenceFrames, const std::function<void(int64_t first)>& changed) {
    std::lock_guard<std::mutex> lock(mixing);
    if (!threaded) {
        changed(read);
        return;
    }
    {
        std::lock_guard<std::mutex> ringHeld(ringLock);
        const size_t silence = std::min(silenceFrames, capacity);
        for (size_t i = 0; i < silence; ++i) {
            const size_t slot = slotOf(read + static_cast<int64_t>(i));
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
        queued = static_cast<size_t>(std::max<int64_t>(written - read, 0));
    }
    if (queued < capacity) mixAhead(capacity - queued);
}

double LiveMixer::mixedFrameAtLocked(double streamFrame) const {
    // The newest segment that starts by `streamFrame`. Before every kept one
    // the stream ran on into the oldest.
    auto segment = segments.rbegin();
    while (segment != segments.rend() && streamFrame < static_cast<double>(segment->streamStart)) ++segment;
    if (segment == segments.rend()) {
        if (segments.empty()) return streamFrame;
        const Segment& oldest = segments.front();
        return static_cast<double>(oldest.mixedStart) - (static_cast<double>(oldest.streamStart) - streamFrame);
    }
    if (segment->silent) return static_cast<double>(segment->mixedStart);
    return static_cast<double>(segment->mixedStart) + (streamFrame - static_cast<double>(segment->streamStart));
}

double LiveMixer::mixedFrameAt(double streamFrame) const {
    std::lock_guard<std::mutex> lock(ringLock);
    return mixedFrameAtLocked(streamFrame);
}

uint64_t LiveMixer::underruns() const {
    std::lock_guard<std::mutex> lock(ringLock);
    return dryRuns;
}
