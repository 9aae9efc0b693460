// Mixing ahead of an offline listener: a thread of its own mixes the sound in
// the blocks the listener will take, keeps a bounded queue of them, and hands
// their frames out in order, so the mixing costs the listener no time.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class AudioMixAhead {
public:
    // Mixes `frames` interleaved stereo frames into `samples`, the first being
    // frame `first` of the stream, and returns how many of them held song.
    // Called on the mixing thread only; may throw.
    using Mix = std::function<size_t(int16_t* samples, size_t frames, int64_t first)>;

    // Block n of the stream ends at frame floor((n + 1) x rate / blocksPerSecond),
    // the blocks a caller taking 1/blocksPerSecond of a second at a time
    // asks for. The thread stays at most `aheadFrames` frames and one block
    // ahead of the frames taken. The stream starts with block `firstBlock`, at
    // the frame where block firstBlock - 1 ends (a stream joined part-way).
    AudioMixAhead(Mix mix, int rate, int blocksPerSecond, size_t aheadFrames, int64_t firstBlock = 0);
    // Stops the thread, waiting for the block it is mixing.
    ~AudioMixAhead();
    AudioMixAhead(const AudioMixAhead&) = delete;
    AudioMixAhead& operator=(const AudioMixAhead&) = delete;

    // Copies the next `frames` frames of the stream into `samples`, waiting
    // for them to be mixed, and returns how many held song. When the mixing
    // failed, throws its error instead once the frames before it are taken.
    size_t take(int16_t* samples, size_t frames);

private:
    struct Block {
        std::vector<int16_t> samples;
        size_t frames = 0;
        size_t songFrames = 0;
        size_t taken = 0;  // frames already handed out
    };

    void run();
    // The frame block `index` ends at.
    int64_t blockEnd(int64_t index) const;

    Mix mix;
    const int rate;
    const int blocksPerSecond;
    const size_t aheadFrames;
    const int64_t firstBlock;

    std::mutex mutex;               // guards everything below up to `thread`
    std::condition_variable mixed;  // a block was queued, or the mixing failed
    std::condition_variable taken;  // room in the queue, or stopping
    std::deque<Block> queue;
    std::vector<std::vector<int16_t>> spare;  // buffers of blocks handed out, for reuse
    size_t queuedFrames = 0;                  // frames in the queue not handed out yet
    bool stopping = false;
    std::exception_ptr failure;  // set when the mixing failed; the thread has ended
    std::thread thread;          // last: starts once everything above exists
};
