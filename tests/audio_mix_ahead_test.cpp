// Mixing ahead on a thread of its own: the stream handed out, the blocks mixed,
// how far ahead the thread runs, a failing mix and stopping at any moment.
#include "platform/sound/audio_mix_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/display/DynamicError.h"

namespace {

// Each frame holds its own index (left) and its negation (right); the song
// ends at frame `songEnd`.
struct CountingMix {
    explicit CountingMix(int64_t songEnd) : songEnd(songEnd) {}

    size_t operator()(int16_t* samples, size_t frames, int64_t first) {
        for (size_t i = 0; i < frames; ++i) {
            samples[2 * i] = static_cast<int16_t>(first + i);
            samples[2 * i + 1] = static_cast<int16_t>(-(first + static_cast<int64_t>(i)));
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back({first, frames});
        }
        mixedEnd = first + static_cast<int64_t>(frames);
        return static_cast<size_t>(std::clamp<int64_t>(songEnd - first, 0, static_cast<int64_t>(frames)));
    }

    struct Call {
        int64_t first;
        size_t frames;
    };
    const int64_t songEnd;
    std::mutex mutex;
    std::vector<Call> calls;
    std::atomic<int64_t> mixedEnd{0};
};

AudioMixAhead::Mix mixWith(CountingMix& counting) {
    return [&counting](int16_t* samples, size_t frames, int64_t first) { return counting(samples, frames, first); };
}

TEST(AudioMixAhead, HandsOutTheStreamInOrderFromTheScheduledBlocks) {
    CountingMix counting(5000);
    std::vector<int16_t> taken;
    size_t songFrames = 0;
    {
        // 1000 Hz at 7 blocks a second: blocks of 142 and 143 frames.
        AudioMixAhead ahead(mixWith(counting), 1000, 7, 300);
        const size_t sizes[] = {1, 142, 500, 0, 143, 37, 2000, 3000};
        for (size_t size : sizes) {
            std::vector<int16_t> part(2 * size, 1);
            songFrames += ahead.take(part.data(), size);
            taken.insert(taken.end(), part.begin(), part.end());
        }
    }
    ASSERT_EQ(taken.size(), 2u * 5823);
    for (size_t i = 0; i < taken.size() / 2; ++i) {
        ASSERT_EQ(taken[2 * i], static_cast<int16_t>(i)) << i;
        ASSERT_EQ(taken[2 * i + 1], static_cast<int16_t>(-static_cast<int64_t>(i))) << i;
    }
    EXPECT_EQ(songFrames, 5000u);
    // Block n ends at floor((n + 1) x 1000 / 7), each starting where the last ended.
    ASSERT_GE(counting.calls.size(), 41u);
    for (size_t n = 0; n < counting.calls.size(); ++n) {
        EXPECT_EQ(counting.calls[n].first, static_cast<int64_t>(n) * 1000 / 7) << n;
        EXPECT_EQ(counting.calls[n].first + static_cast<int64_t>(counting.calls[n].frames),
                  static_cast<int64_t>(n + 1) * 1000 / 7)
            << n;
    }
}

TEST(AudioMixAhead, KeepsBetweenHalfItsBoundAndItsBoundAndOneBlockAhead) {
    CountingMix counting(1 << 30);
    AudioMixAhead ahead(mixWith(counting), 44100, 60, 4000);
    std::vector<int16_t> part(2 * 735);
    int64_t taken = 0;
    for (int round = 0; round < 20; ++round) {
        // The thread refills on its own once half is taken...
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (counting.mixedEnd < taken + 2000 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GE(counting.mixedEnd, taken + 2000) << round;
        // ... and goes no further than its bound.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_LE(counting.mixedEnd, taken + 4000 + 735) << round;
        for (int i = 0; i <= round % 4; ++i) {
            ahead.take(part.data(), 735);
            taken += 735;
        }
    }
}

TEST(AudioMixAhead, AFailedMixIsThrownOnceTheFramesBeforeItAreTaken) {
    int blocks = 0;
    AudioMixAhead ahead(
        [&blocks](int16_t* samples, size_t frames, int64_t) -> size_t {
            if (++blocks == 4) throw DynamicError("the decoder broke");
            std::fill(samples, samples + 2 * frames, int16_t{7});
            return frames;
        },
        100, 10, 1000);
    std::vector<int16_t> part(2 * 30);
    EXPECT_EQ(ahead.take(part.data(), 30), 30u);
    EXPECT_EQ(part, std::vector<int16_t>(60, 7));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            ahead.take(part.data(), 1);
            FAIL() << "no error after the last block mixed";
        } catch (const DynamicError& error) {
            EXPECT_STREQ(error.what(), "the decoder broke");
        }
    }
}

// Runs `body` on a thread of its own; true when it ended within `bound`. A
// body still running is left to the end of the process, so that a hang fails
// the test instead of stopping the run.
bool endsWithin(std::chrono::seconds bound, std::function<void()> body) {
    auto ended = std::make_unique<std::future<void>>(std::async(std::launch::async, std::move(body)));
    if (ended->wait_for(bound) != std::future_status::ready) {
        ended.release();  // its destructor would wait for the body
        return false;
    }
    ended->get();
    return true;
}

TEST(AudioMixAhead, StopsWhetherWaitingForRoomOrMixing) {
    EXPECT_TRUE(endsWithin(std::chrono::seconds(10), [] {
        // Full and never taken from.
        CountingMix counting(0);
        AudioMixAhead ahead(mixWith(counting), 44100, 60, 2000);
        while (counting.mixedEnd < 2000) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    })) << "did not stop while waiting for room";
    EXPECT_TRUE(endsWithin(std::chrono::seconds(10), [] {
        // Stopped in the middle of a slow block.
        std::atomic<int> started{0};
        AudioMixAhead ahead(
            [&started](int16_t* samples, size_t frames, int64_t) -> size_t {
                ++started;
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                std::fill(samples, samples + 2 * frames, int16_t{0});
                return 0;
            },
            44100, 60, 100000);
        while (started == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    })) << "did not stop in the middle of a block";
}

}  // namespace
