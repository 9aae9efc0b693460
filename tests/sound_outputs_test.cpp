// The outputs written for the music layer itself: the silent one and SDL's
// (on its dummy driver). Once stopped, an output never pulls again; its clock
// runs forwards from before its first frame.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/sound/sdl/sdl_output.h"
#include "platform/sound/silent_output.h"
#include "platform/sound/sound_clock.h"

namespace {

// Starts `output` with a source that counts its frames, waits for some, stops
// it, and checks that nothing is pulled after.
void pullsNothingOnceStopped(SoundOutput& output) {
    std::atomic<int64_t> pulled{0};
    output.start([&pulled](int16_t* samples, size_t frames) {
        std::fill(samples, samples + 2 * frames, int16_t{0});
        pulled += static_cast<int64_t>(frames);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pulled < 2000 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(pulled, 2000);
    const double early = output.frameHeardAt(steadyNowNs());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_LE(early, output.frameHeardAt(steadyNowNs()));
    output.stop();
    const int64_t atStop = pulled;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pulled, atStop);
}

TEST(SoundOutputs, SilentOutputRunsInRealTimeAndStops) {
    SilentOutput output(44100, true);
    EXPECT_LT(output.frameHeardAt(steadyNowNs()), 0);
    pullsNothingOnceStopped(output);
}

TEST(SoundOutputs, SilentOutputWithoutAThreadPullsUpToTheFrameAsked) {
    SilentOutput output(44100, false);
    int64_t pulled = 0;
    output.start([&pulled](int16_t*, size_t frames) { pulled += static_cast<int64_t>(frames); });
    const int64_t start = steadyNowNs();
    const double heard = output.frameHeardAt(start + 100000000);  // 0.1 s on
    EXPECT_GE(heard, 4410.0);
    EXPECT_GE(pulled, static_cast<int64_t>(heard));
    output.stop();
    const int64_t atStop = pulled;
    output.frameHeardAt(start + 1000000000);
    EXPECT_EQ(pulled, atStop);
}

TEST(SoundOutputs, SdlOutputStopsPulling) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlOutput output(nullptr, nullptr, 44100);
    EXPECT_LT(output.frameHeardAt(steadyNowNs()), 0);
    pullsNothingOnceStopped(output);
}

}  // namespace
