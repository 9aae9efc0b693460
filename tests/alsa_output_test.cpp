// The ALSA output played through a private sound server with a null sink,
// reached by ALSA's "pulse" plugin: its delay comes from the server, the heard
// frame follows what was written, stop() drops the queue, and a hold drops it
// until resumed.
#include "platform/sound/alsa/alsa_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/DynamicError.h"
#include "support/pulse_server.h"

namespace {

using Clock = std::chrono::steady_clock;
const int kRate = 48000;

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Polls `done` for up to `seconds`; the limit only keeps a broken output from
// hanging the test.
bool waitFor(const std::function<bool()>& done, double seconds = 30) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The test program's own sound server; PULSE_SERVER points ALSA's plugin at
// it. Started before the first ALSA call, so ALSA's "default" finds it
// running too.
class PrivateSoundServer : public ::testing::Environment {
public:
    static std::string unavailable;

    void SetUp() override {
        server = std::make_unique<PulseServer>();
        unavailable = server->unavailableReason();
    }
    void TearDown() override { server.reset(); }

private:
    std::unique_ptr<PulseServer> server;
};
std::string PrivateSoundServer::unavailable;
::testing::Environment* const soundServer = ::testing::AddGlobalTestEnvironment(new PrivateSoundServer);

// A tone, counting the frames pulled.
struct CountingSource {
    std::atomic<int64_t> pulled{0};
    SoundSource source() {
        return [this](int16_t* samples, size_t frames) {
            const int64_t first = pulled.load();
            for (size_t i = 0; i < frames; ++i) {
                const auto value = static_cast<int16_t>(8000 * std::sin((first + i) * 2 * M_PI * 440 / kRate));
                samples[2 * i] = samples[2 * i + 1] = value;
            }
            pulled += static_cast<int64_t>(frames);
        };
    }
};

// Resumed from `from`, the heard frame goes on past `until` without going
// back and without an underrun.
void expectPlaysOn(const SoundOutput& output, double from, double until) {
    double last = from;
    bool back = false;
    ASSERT_TRUE(waitFor(
        [&] {
            const double heard = output.frameHeardAt(steadyNs());
            back |= heard < last;
            last = heard;
            return heard > until;
        },
        10));
    EXPECT_FALSE(back) << "the heard frame went back";
    EXPECT_EQ(output.underruns(), 0u);
}

class AlsaOutput : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PrivateSoundServer::unavailable.empty()) GTEST_SKIP() << PrivateSoundServer::unavailable;
        const std::vector<std::string> devices = listAlsaDevices();
        ASSERT_FALSE(devices.empty());
        EXPECT_EQ(devices.front(), "default");
        if (std::find(devices.begin(), devices.end(), "pulse") == devices.end()) {
            GTEST_SKIP() << "ALSA has no \"pulse\" plugin (libasound2-plugins)";
        }
    }

    // Opens "pulse" with `bufferFrames`, plays until half a second has been
    // heard and gives the longest delay the device reported meanwhile (a
    // loaded test server may let the stream run dry now and then).
    int64_t playingLatency(size_t bufferFrames) {
        std::unique_ptr<SoundOutput> output = openAlsaOutput("pulse", kRate, bufferFrames);
        CountingSource counter;
        output->start(counter.source());
        std::set<int64_t> seen;
        EXPECT_TRUE(waitFor([&] {
            seen.insert(output->latency());
            return output->frameHeardAt(steadyNs()) > kRate / 2;
        }));
        EXPECT_GT(seen.size(), 2u) << "the delay follows the device as its buffer drains and fills";
        return *seen.rbegin();
    }
};

TEST_F(AlsaOutput, HeardFrameFollowsWhatWasWrittenAndStopDropsTheQueue) {
    std::unique_ptr<SoundOutput> output = openAlsaOutput("pulse", kRate, 2048);
    EXPECT_LT(output->frameHeardAt(steadyNs()), 0) << "nothing is heard before start";
    CountingSource counter;
    output->start(counter.source());

    // The heard frame only moves on, and never past what the source gave.
    double last = -1;
    int stepsBack = 0;
    bool pastWritten = false;
    ASSERT_TRUE(waitFor([&] {
        const double heard = output->frameHeardAt(steadyNs());
        pastWritten |= heard > counter.pulled.load();
        stepsBack += heard < last;
        last = heard;
        return heard > kRate / 2;
    }));
    EXPECT_FALSE(pastWritten);
    EXPECT_EQ(stepsBack, 0) << "the heard frame went back";
    const int64_t now = steadyNs();
    EXPECT_LT(output->frameHeardAt(now - 20000000), output->frameHeardAt(now))
        << "it moves at the rate between reports";
    EXPECT_LE(output->frameHeardAt(now + 10000000000), counter.pulled.load()) << "nor ahead of what was written";

    output->stop();
    const int64_t pulledAtStop = counter.pulled.load();
    const double heardAtStop = output->frameHeardAt(steadyNs());
    EXPECT_LE(heardAtStop, pulledAtStop);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(counter.pulled.load(), pulledAtStop) << "the source is not called after stop()";
    EXPECT_EQ(output->frameHeardAt(steadyNs()), heardAtStop) << "what was queued is not heard after stop()";
}

// Held, the device plays nothing and the heard frame stands at the next
// frame to be pulled; resumed, it goes on from there, with no underrun.
TEST_F(AlsaOutput, HoldStandsStillAndResumeGoesOn) {
    std::unique_ptr<SoundOutput> output = openAlsaOutput("pulse", kRate, 4096);
    CountingSource counter;
    output->start(counter.source());
    ASSERT_TRUE(waitFor([&] { return output->frameHeardAt(steadyNs()) > kRate / 4; }));
    const double heardBefore = output->frameHeardAt(steadyNs());
    const int64_t unheard = output->hold();
    const int64_t next = counter.pulled.load();
    EXPECT_GE(static_cast<double>(unheard), heardBefore - 1);
    EXPECT_LE(unheard, next);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(counter.pulled.load(), next) << "the source is not called while held";
    EXPECT_EQ(output->frameHeardAt(steadyNs()), static_cast<double>(next));
    EXPECT_EQ(output->hold(), unheard) << "a second hold changes nothing";

    output->resume();
    expectPlaysOn(*output, next, next + kRate / 4);
}

// Paused, a device that can pause keeps its frames: nothing pulled is
// dropped, the heard frame stands still, and resumed it plays on from there.
TEST_F(AlsaOutput, APauseKeepsWhatTheDeviceHolds) {
    std::unique_ptr<SoundOutput> output = openAlsaOutput("pulse", kRate, 4096);
    CountingSource counter;
    output->start(counter.source());
    ASSERT_TRUE(waitFor([&] { return output->frameHeardAt(steadyNs()) > kRate / 4; }));
    const int64_t kept = output->pause();
    const int64_t next = counter.pulled.load();
    EXPECT_EQ(kept, next) << "every frame pulled is still to be heard";
    const double still = output->frameHeardAt(steadyNs());
    EXPECT_LE(still, static_cast<double>(next));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(counter.pulled.load(), next) << "the source is not called while paused";
    EXPECT_EQ(output->frameHeardAt(steadyNs()), still);

    output->resume();
    expectPlaysOn(*output, still, next + kRate / 4);
}

TEST_F(AlsaOutput, DelayComesFromTheDeviceAndGrowsWithTheBuffer) {
    const int64_t small = playingLatency(1024);
    const int64_t large = playingLatency(8192);
    std::printf("ALSA \"pulse\" delay: %.1f ms with 1024 frames, %.1f ms with 8192 frames at %d Hz\n", small / 1e6,
                large / 1e6, kRate);
    EXPECT_GT(small, 1000000);
    EXPECT_LT(large, 1000000000);
    EXPECT_GT(large, small);
}

TEST(AlsaOutputError, NamesTheDeviceThatDoesNotOpen) {
    try {
        openAlsaOutput("no-such-device", kRate, 2048);
        FAIL() << "no error";
    } catch (const DynamicError& error) {
        EXPECT_NE(std::string(error.message()).find("no-such-device"), std::string::npos) << error.message();
    }
}

}  // namespace
