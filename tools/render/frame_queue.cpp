#include "frame_queue.h"

#include <algorithm>
#include <utility>

FrameQueue::FrameQueue(size_t pixelsPerFrame, int workers, size_t limit, Work work)
    : pixelsPerFrame(pixelsPerFrame), limit(limit), work(std::move(work)) {
    for (int i = 0; i < workers; ++i) this->workers.emplace_back(&FrameQueue::run, this);
}

FrameQueue::~FrameQueue() {
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = true;
        waiting.clear();
    }
    changed.notify_all();
    for (std::thread& worker : workers) worker.join();
}

void FrameQueue::throwFailure() {
    // Nothing more is worked on: the renderer stops at the failure it is given.
    closing = true;
    waiting.clear();
    std::rethrow_exception(failure);
}

void FrameQueue::push(long index, const uint32_t* pixels) {
    push(index, [this, pixels](uint32_t* frame) { std::copy(pixels, pixels + pixelsPerFrame, frame); });
}

void FrameQueue::push(long index, const std::function<void(uint32_t* pixels)>& fill) {
    Frame frame{index, {}};
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return waiting.size() < limit || failure; });
        if (failure) throwFailure();
        if (!spare.empty()) {
            frame.pixels = std::move(spare.back());
            spare.pop_back();
        }
    }
    // Filled outside the lock, so the workers can go on taking frames.
    frame.pixels.resize(pixelsPerFrame);
    fill(frame.pixels.data());
    {
        std::lock_guard<std::mutex> guard(lock);
        waiting.push_back(std::move(frame));
    }
    changed.notify_all();
}

void FrameQueue::finish() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return (waiting.empty() && busy == 0) || failure; });
    if (failure) throwFailure();
}

void FrameQueue::run() {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return closing || !waiting.empty(); });
        if (closing) return;
        Frame frame = std::move(waiting.front());
        waiting.pop_front();
        ++busy;
        changed.notify_all();
        guard.unlock();
        std::exception_ptr failed;
        try {
            work(frame.index, frame.pixels.data());
        } catch (...) {
            failed = std::current_exception();
        }
        guard.lock();
        --busy;
        if (failed && !failure) failure = failed;
        spare.push_back(std::move(frame.pixels));
        changed.notify_all();
    }
}
