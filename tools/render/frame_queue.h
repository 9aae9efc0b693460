// Frames handed from the renderer to worker threads, so encoding runs beside
// the show instead of after each frame. A full queue makes the renderer wait;
// the first failure of any frame is thrown to the renderer at its next push.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class FrameQueue {
public:
    // Called on a worker thread for each frame; with one worker, in the
    // order the frames were pushed.
    using Work = std::function<void(long index, const uint32_t* pixels)>;

    FrameQueue(size_t pixelsPerFrame, int workers, size_t limit, Work work);
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;
    // Frames no worker has taken yet are dropped; waits for those being worked on.
    ~FrameQueue();

    // Copies the frame, waiting while `limit` frames are queued.
    void push(long index, const uint32_t* pixels);
    // The same, the frame's pixelsPerFrame words written by `fill`.
    void push(long index, const std::function<void(uint32_t* pixels)>& fill);
    // Returns once every pushed frame is done.
    void finish();

private:
    struct Frame {
        long index;
        std::vector<uint32_t> pixels;
    };

    void run();
    void throwFailure();

    size_t pixelsPerFrame;
    size_t limit;
    Work work;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Frame> waiting;
    std::vector<std::vector<uint32_t>> spare;  // buffers of finished frames, to reuse
    int busy = 0;
    bool closing = false;
    std::exception_ptr failure;
    std::vector<std::thread> workers;
};
