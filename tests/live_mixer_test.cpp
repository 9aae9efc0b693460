// Feeding a live output from a ring mixed ahead: a stalled mixing thread
// costs silence and nothing else, a change drops what is queued, and the
// output's clock maps to the song's position past any silence.
#include "platform/sound/live_mixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound_song.h"
#include "support/xm_builder.h"

namespace {

// Stands in for the mixing: `mix` fills frames, but mixing a block that
// reaches `gateAt` waits until the gate opens, as a mixing thread starved of
// time would.
class Gate {
public:
    explicit Gate(int64_t gateAt) : gateAt(gateAt) {}

    template <class Mix>
    void pass(int16_t* samples, size_t frames, int64_t first, Mix mix) {
        // The mixer stores each block in the ring before it mixes the next.
        stored = first;
        {
            std::unique_lock<std::mutex> lock(mutex);
            opened.wait(lock, [&] { return open || first + static_cast<int64_t>(frames) <= gateAt; });
        }
        mix(samples, frames, first);
    }
    void openGate() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
    // Waits until the frames before `end` are in the ring: the mixing has
    // begun on a block at `end` or later.
    void awaitMixed(int64_t end) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (stored < end && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GE(stored, end) << "the mixing thread did not get there";
    }

private:
    const int64_t gateAt;
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int64_t> stored{0};
};

// Mixed frame i holds i + 1 in both channels: silence is 0.
void countFrames(int16_t* samples, size_t frames, int64_t first) {
    for (size_t i = 0; i < frames; ++i) {
        samples[2 * i] = samples[2 * i + 1] = static_cast<int16_t>(first + static_cast<int64_t>(i) + 1);
    }
}

std::vector<int16_t> pullLeft(LiveMixer& mixer, size_t frames) {
    std::vector<int16_t> samples(2 * frames, -1);
    mixer.pull(samples.data(), frames);
    std::vector<int16_t> left(frames);
    for (size_t i = 0; i < frames; ++i) left[i] = samples[2 * i];
    return left;
}

std::vector<int16_t> counted(int64_t first, size_t frames) {
    std::vector<int16_t> values(frames);
    for (size_t i = 0; i < frames; ++i) values[i] = static_cast<int16_t>(first + static_cast<int64_t>(i) + 1);
    return values;
}

TEST(LiveMixer, AStalledMixingThreadCostsSilenceButNoSample) {
    Gate gate(100);
    LiveMixer mixer([&gate](int16_t* s, size_t n, int64_t first) { gate.pass(s, n, first, countFrames); }, 100, 10,
                    true);
    EXPECT_EQ(pullLeft(mixer, 30), counted(0, 30));
    // The thread stalls at mixed frame 100: the ring runs dry after frame 99,
    // over two pulls, which is one gap of 70 frames of silence.
    std::vector<int16_t> dry = pullLeft(mixer, 120);
    EXPECT_EQ(std::vector<int16_t>(dry.begin(), dry.begin() + 70), counted(30, 70));
    EXPECT_EQ(std::vector<int16_t>(dry.begin() + 70, dry.end()), std::vector<int16_t>(50, 0));
    EXPECT_EQ(pullLeft(mixer, 20), std::vector<int16_t>(20, 0));
    EXPECT_EQ(mixer.underruns(), 1u);

    // Back to work: the stream goes on with frame 100, neither lost nor
    // played twice.
    gate.openGate();
    gate.awaitMixed(190);
    EXPECT_EQ(pullLeft(mixer, 90), counted(100, 90));
    EXPECT_EQ(mixer.underruns(), 1u);

    // Stream frames 100 to 169 were the silence: they carry the frame that
    // came after it, and everything later is 70 frames behind.
    EXPECT_EQ(mixer.mixedFrameAt(99), 99);
    EXPECT_EQ(mixer.mixedFrameAt(100), 100);
    EXPECT_EQ(mixer.mixedFrameAt(169.5), 100);
    EXPECT_EQ(mixer.mixedFrameAt(170), 100);
    EXPECT_EQ(mixer.mixedFrameAt(269), 199);
    EXPECT_EQ(mixer.mixedFrameAt(1000.5), 930.5);  // not pulled yet: if the ring holds out
}

TEST(LiveMixer, AChangeDropsWhatIsQueuedForSilenceThenTheNewMix) {
    Gate gate(1 << 30);
    LiveMixer mixer([&gate](int16_t* s, size_t n, int64_t first) { gate.pass(s, n, first, countFrames); }, 100, 10,
                    true);
    EXPECT_EQ(pullLeft(mixer, 30), counted(0, 30));
    int64_t changedAt = -1;
    mixer.change(5, [&](int64_t first) { changedAt = first; });
    EXPECT_EQ(changedAt, 35);
    gate.awaitMixed(125);
    EXPECT_EQ(pullLeft(mixer, 5), std::vector<int16_t>(5, 0));
    EXPECT_EQ(pullLeft(mixer, 20), counted(35, 20));
    EXPECT_EQ(mixer.underruns(), 0u);
    EXPECT_EQ(mixer.mixedFrameAt(40), 40);
}

TEST(LiveMixer, FramesAnOutputDroppedUnheardArePlayedAgain) {
    Gate gate(1 << 30);
    LiveMixer mixer([&gate](int16_t* s, size_t n, int64_t first) { gate.pass(s, n, first, countFrames); }, 100, 10,
                    true);
    EXPECT_EQ(pullLeft(mixer, 60), counted(0, 60));
    // The output heard up to stream frame 39 and dropped the rest: frame 40
    // comes next, and the dropped stream frames carry it.
    mixer.replayFrom(40);
    EXPECT_EQ(pullLeft(mixer, 30), counted(40, 30));
    EXPECT_EQ(mixer.mixedFrameAt(39), 39);
    EXPECT_EQ(mixer.mixedFrameAt(50), 40);
    EXPECT_EQ(mixer.mixedFrameAt(60), 40);
    EXPECT_EQ(mixer.mixedFrameAt(75), 55);
    // Further back than the ring keeps (as many frames as it mixes ahead),
    // the oldest frame kept comes next.
    for (int64_t mixed = 70; mixed < 400; mixed += 10) {
        gate.awaitMixed(mixed + 90);
        pullLeft(mixer, 10);
    }
    mixer.replayFrom(0);
    const std::vector<int16_t> replayed = pullLeft(mixer, 1);
    EXPECT_GE(replayed[0], counted(400 - 100 - 10, 1)[0]);
    EXPECT_LT(replayed[0], counted(400, 1)[0]);
    EXPECT_EQ(mixer.underruns(), 0u);
}

TEST(LiveMixer, WithoutAThreadEachPullMixesInPlace) {
    LiveMixer mixer(countFrames, 100, 10, false);
    EXPECT_EQ(pullLeft(mixer, 250), counted(0, 250));
    int64_t changedAt = -1;
    mixer.change(5, [&](int64_t first) { changedAt = first; });
    EXPECT_EQ(changedAt, 250);
    EXPECT_EQ(pullLeft(mixer, 3), counted(250, 3));
    EXPECT_EQ(mixer.mixedFrameAt(77.5), 77.5);
}

// An output whose clock the test sets: stream frame f is heard at
// (f + kHeld) microseconds, and it pulls when told to.
class ScriptedOutput : public SoundOutput {
public:
    static constexpr int64_t kHeld = 2000;  // frames between pulling one and hearing it

    void start(SoundSource pulledSource) override { source = std::move(pulledSource); }
    void stop() override { source = nullptr; }
    double frameHeardAt(int64_t steadyNs) const override { return steadyNs / 1000.0 - kHeld; }
    int64_t latency() const override { return kHeld * 1000; }
    int64_t hold() override { return 0; }
    void resume() override {}

    void pull(size_t frames) {
        std::vector<int16_t> samples(2 * frames);
        source(samples.data(), frames);
    }

private:
    SoundSource source;
};

TEST(LiveMixer, TheSongHeardFollowsTheOutputsClockPastASilence) {
    const std::string path = xmScratchPath("heard.xm");
    writeXmFile(path, buildXm(clickSong(2)));
    SoundSong song(path);
    std::remove(path.c_str());
    song.restart(44100, 0);
    constexpr int64_t kRow = 5292;  // frames of a row at 44100 Hz

    // The mixing stalls at mixed frame 22050, half a second in.
    Gate gate(22050);
    LiveMixer mixer(
        [&](int16_t* s, size_t n, int64_t first) {
            gate.pass(s, n, first, [&](int16_t* s, size_t n, int64_t first) { song.mix(s, n, first); });
        },
        11025, 441, true);
    ScriptedOutput output;
    output.start([&mixer](int16_t* samples, size_t frames) { mixer.pull(samples, frames); });
    auto rowHeardAtFrame = [&](int64_t streamFrame) {
        const int64_t ns = (streamFrame + ScriptedOutput::kHeld) * 1000;
        const MusicPosition heard =
            song.positionAt(static_cast<int64_t>(std::floor(mixedFrameHeardAt(output, mixer, ns))));
        return heard.order * 64 + heard.row;
    };

    // Each row is heard from its first frame on (the position is read every
    // 32 frames), the device's hold accounted.
    for (int64_t pulled = 0; pulled < 15000; pulled += 500) {
        gate.awaitMixed(pulled + 500);
        output.pull(500);
    }
    EXPECT_EQ(rowHeardAtFrame(-1), 0);
    EXPECT_EQ(rowHeardAtFrame(kRow - 1), 0);
    EXPECT_EQ(rowHeardAtFrame(kRow + 32), 1);
    EXPECT_EQ(rowHeardAtFrame(2 * kRow + 32), 2);

    // Stream frames 22050 to 29999 are silence: the position holds on the
    // frame after it, and is 7950 frames later than mixed from then on.
    gate.awaitMixed(22050);
    output.pull(15000);
    gate.openGate();
    gate.awaitMixed(22050 + 20 * 441);
    for (int i = 0; i < 20; ++i) output.pull(441);
    EXPECT_EQ(mixer.underruns(), 1u);
    EXPECT_EQ(rowHeardAtFrame(22049), 4);
    EXPECT_EQ(rowHeardAtFrame(29999), 4);
    EXPECT_EQ(rowHeardAtFrame(7950 + 5 * kRow - 1), 4);
    EXPECT_EQ(rowHeardAtFrame(7950 + 5 * kRow + 32), 5);
}

}  // namespace
