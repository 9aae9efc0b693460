#include "platform/sound/audio_mix_ahead.h"

#include <algorithm>

AudioMixAhead::AudioMixAhead(Mix mixBlock, int mixRate, int blocks, size_t ahead, int64_t startBlock)
    : mix(std::move(mixBlock)),
      rate(mixRate),
      blocksPerSecond(blocks),
      aheadFrames(ahead),
      firstBlock(startBlock),
      thread(&AudioMixAhead::run, this) {}

AudioMixAhead::~AudioMixAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    taken.notify_all();
    thread.join();
}

int64_t AudioMixAhead::blockEnd(int64_t index) const { return (index + 1) * rate / blocksPerSecond; }

void AudioMixAhead::run() {
    int64_t first = firstBlock > 0 ? blockEnd(firstBlock - 1) : 0;
    for (int64_t index = firstBlock;; ++index) {
        const int64_t end = blockEnd(index);
        Block block;
        block.frames = static_cast<size_t>(end - first);
        {
            std::unique_lock<std::mutex> lock(mutex);
            // Once full, wait until half is taken: one wake-up mixes several
            // blocks instead of one per block taken.
            if (queuedFrames >= aheadFrames) {
                taken.wait(lock, [this] { return stopping || queuedFrames <= aheadFrames / 2; });
            }
            if (stopping) return;
            if (!spare.empty()) {
                block.samples = std::move(spare.back());
                spare.pop_back();
            }
        }
        block.samples.resize(2 * block.frames);
        try {
            block.songFrames = mix(block.samples.data(), block.frames, first);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            failure = std::current_exception();
            mixed.notify_all();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            queuedFrames += block.frames;
            queue.push_back(std::move(block));
        }
        mixed.notify_one();
        first = end;
    }
}

size_t AudioMixAhead::take(int16_t* samples, size_t frames) {
    size_t songFrames = 0;
    std::unique_lock<std::mutex> lock(mutex);
    while (frames > 0) {
        // A take longer than the queue empties it on the way: the thread may
        // be waiting for room.
        if (queue.empty()) taken.notify_one();
        mixed.wait(lock, [this] { return !queue.empty() || failure != nullptr; });
        if (queue.empty()) std::rethrow_exception(failure);
        Block& block = queue.front();
        const size_t count = std::min(frames, block.frames - block.taken);
        std::copy(block.samples.begin() + 2 * block.taken, block.samples.begin() + 2 * (block.taken + count), samples);
        // The song's frames come first in each block, silence after them.
        if (block.songFrames > block.taken) songFrames += std::min(count, block.songFrames - block.taken);
        block.taken += count;
        samples += 2 * count;
        frames -= count;
        queuedFrames -= count;
        if (block.taken == block.frames) {
            spare.push_back(std::move(block.samples));
            queue.pop_front();
        }
    }
    const bool room = queuedFrames <= aheadFrames / 2;
    lock.unlock();
    if (room) taken.notify_one();
    return songFrames;
}
