// The sync meter's analysis on recordings and frames made here, whose clicks,
// pulses and silences fall at known times.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis.h"

namespace {

constexpr int kRate = 48000;
constexpr double kFrameNs = 1e9 / kRate;
constexpr int64_t kMs = 1000000;
// Frame 0 of the recordings below is heard at this time.
constexpr int64_t kStartNs = 5000 * kMs;

// Seconds of quiet noise, timed by reports every 5 ms that scatter by up
// to a millisecond, a few of them far off, as a server's do.
Recording quietRecording(double seconds, int64_t stepFrame = -1, int64_t stepNs = 0) {
    Recording recording;
    recording.rate = kRate;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> hiss(-1e-4f, 1e-4f);
    recording.samples.resize(static_cast<size_t>(seconds * kRate));
    for (float& sample : recording.samples) sample = hiss(random);
    std::uniform_real_distribution<double> scatter(-1e6, 1e6);
    for (int64_t frame = 0; frame < static_cast<int64_t>(recording.samples.size()); frame += kRate / 200) {
        const double off =
            (frame % (kRate * 2) == 0 ? 80e6 : scatter(random)) + (stepFrame >= 0 && frame >= stepFrame ? stepNs : 0);
        recording.marks.push_back({frame, static_cast<int64_t>(kStartNs + frame * kFrameNs + off)});
    }
    return recording;
}

int64_t frameOf(int64_t ns) { return static_cast<int64_t>(std::llround((ns - kStartNs) / kFrameNs)); }

void addClick(Recording& recording, int64_t atNs) {
    for (int64_t i = frameOf(atNs), end = i + kRate / 200; i < end; ++i)
        recording.samples[i] = (i % 7 < 3) ? 0.5f : -0.5f;
}

void addTone(Recording& recording, int64_t fromNs, int64_t toNs) {
    for (int64_t i = frameOf(fromNs); i < frameOf(toNs); ++i)
        recording.samples[i] = 0.3f * static_cast<float>(std::sin(2 * M_PI * 220.0 * i / kRate));
}

TEST(SyncAnalysis, SampleClockFollowsScatteredReports) {
    const Recording recording = quietRecording(6);
    const SampleClock clock(recording);
    for (int64_t frame : {kRate, 3 * kRate, 5 * kRate}) {
        EXPECT_NEAR(clock.timeOf(static_cast<double>(frame)), kStartNs + frame * kFrameNs, 0.2e6);
        EXPECT_NEAR(clock.frameAt(kStartNs + frame * kFrameNs), frame, kRate / 5000.0);
    }
    EXPECT_LT(clock.residualNs, 1.5e6);
}

TEST(SyncAnalysis, OnsetsAreFoundWhereTheClicksAreAndNowhereElse) {
    Recording recording = quietRecording(6);
    const int64_t clicks[] = {kStartNs + 1500 * kMs, kStartNs + 2730 * kMs, kStartNs + 4100 * kMs};
    for (int64_t at : clicks) addClick(recording, at);
    addTone(recording, kStartNs + 3200 * kMs, kStartNs + 3600 * kMs);  // a soft start is no hit
    const SampleClock clock(recording);
    const OnsetFinder onsets(recording, clock);
    // Each onset is found a little after the click begins (its filters'
    // delay), by the same amount for every click.
    std::vector<int64_t> late;
    for (int64_t at : clicks) {
        int64_t found = 0;
        double rise = 0;
        ASSERT_TRUE(onsets.find(at + 40 * kMs, 110 * kMs, 8.0, found, rise));
        late.push_back(found - at);
        EXPECT_GE(found - at, 0);
        EXPECT_LT(found - at, 3 * kMs);
    }
    EXPECT_NEAR(late[1], late[0], 0.5 * kMs);
    EXPECT_NEAR(late[2], late[0], 0.5 * kMs);
    int64_t found = 0;
    double rise = 0;
    EXPECT_FALSE(onsets.find(kStartNs + 600 * kMs, 110 * kMs, 8.0, found, rise));
}

// A textured background shown whole, then through its inset area on the
// frames from each pulse time for 60 ms, as the show's beat does; with grain
// and a sprite moving over both.
std::vector<ScreenFrame> pulseFrames(const std::vector<int64_t>& pulses, int64_t endNs, int64_t refreshNs) {
    std::vector<uint8_t> background(kGridWidth * kGridHeight), inset(background.size());
    for (int y = 0; y < kGridHeight; ++y)
        for (int x = 0; x < kGridWidth; ++x)
            background[y * kGridWidth + x] =
                static_cast<uint8_t>(128 + 120 * std::sin(x / 9.0 + y / 23.0) * std::cos(y / 7.0 - x / 31.0));
    for (int y = 0; y < kGridHeight; ++y)
        for (int x = 0; x < kGridWidth; ++x)
            inset[y * kGridWidth + x] =
                background[(10 + y * 220 / kGridHeight) * kGridWidth + 10 + x * 300 / kGridWidth];
    std::vector<ScreenFrame> frames;
    std::mt19937 random(3);
    std::uniform_int_distribution<int> grain(0, 30);
    for (int64_t t = 0; t < endNs; t += refreshNs) {
        bool pulse = false;
        for (int64_t at : pulses) pulse = pulse || (t >= at && t < at + 60 * kMs);
        ScreenFrame frame{t, pulse ? inset : background};
        for (uint8_t& grey : frame.grey) grey = static_cast<uint8_t>(std::min(255, grey + grain(random)));
        const int left = static_cast<int>((t / refreshNs) * 3 % (kGridWidth - 20));
        for (int y = 100; y < 120; ++y)
            for (int x = left; x < left + 20; ++x) frame.grey[y * kGridWidth + x] = 255;
        frames.push_back(std::move(frame));
    }
    return frames;
}

TEST(SyncAnalysis, PulsesAreTheFirstInsetFramesAndTheRefreshIsTheirSpacing) {
    const int64_t refresh = 16 * kMs;
    std::vector<int64_t> pulses;
    for (int64_t at = 500 * kMs; at < 5500 * kMs; at += 480 * kMs) pulses.push_back(at);
    const std::vector<ScreenFrame> frames = pulseFrames(pulses, 6000 * kMs, refresh);
    const std::vector<int64_t> found = zoomPulses(frames);
    ASSERT_EQ(found.size(), pulses.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_GE(found[i], pulses[i]);
        EXPECT_LT(found[i], pulses[i] + refresh);
    }
    EXPECT_DOUBLE_EQ(medianPictureInterval(frames), static_cast<double>(refresh));
}

TEST(SyncAnalysis, OffsetFiguresKeepTheSignOfTheLargest) {
    const OffsetFigures figures = figuresOf({-2, 1, 3, -9, 2});
    EXPECT_EQ(figures.count, 5);
    EXPECT_DOUBLE_EQ(figures.medianMs, 1);
    EXPECT_DOUBLE_EQ(figures.maxMs, -9);
}

TEST(SyncAnalysis, TheMovesAreTimedFromTheirKeys) {
    Recording recording = quietRecording(8);
    // Sound until 2.030 s, silence to 3.525 s, sound to 6 s with a 40 ms gap
    // at 5 s, then the end 12 ms after a key at 6.5 s.
    addTone(recording, kStartNs + 500 * kMs, kStartNs + 2030 * kMs);
    addTone(recording, kStartNs + 3525 * kMs, kStartNs + 5000 * kMs);
    addTone(recording, kStartNs + 5040 * kMs, kStartNs + 6512 * kMs);
    const SampleClock clock(recording);
    EXPECT_NEAR(silenceAfter(recording, clock, kStartNs + 2000 * kMs, kStartNs + 3000 * kMs, 200 * kMs), 30, 1.5);
    EXPECT_NEAR(soundAfter(recording, clock, kStartNs + 3500 * kMs, kStartNs + 4000 * kMs), 25, 1.5);
    EXPECT_NEAR(longestSilence(recording, clock, kStartNs + 4500 * kMs, kStartNs + 5500 * kMs), 40, 1.5);
    EXPECT_EQ(soundAfter(recording, clock, kStartNs + 2100 * kMs, kStartNs + 3400 * kMs), -1);
    const SoundEnd end = soundEndAfter(recording, clock, kStartNs + 6500 * kMs);
    EXPECT_TRUE(end.soundingBefore);
    EXPECT_FALSE(end.stillSounding);
    EXPECT_NEAR(end.silentAfterMs, 12, 1.5);
}

// A sink that rewinds took back 76 ms of silence the monitor had passed on:
// the recording holds 80 ms of silence, of which 4 ms were heard, and the
// reports after it are 76 ms earlier for their frame.
TEST(SyncAnalysis, SilenceNobodyHeardIsNotCounted) {
    const int64_t resumed = frameOf(kStartNs + 3080 * kMs);
    Recording recording = quietRecording(6, resumed, -76 * kMs);
    addTone(recording, kStartNs + 500 * kMs, kStartNs + 3000 * kMs);
    addTone(recording, kStartNs + 3080 * kMs, kStartNs + 5500 * kMs);
    const SampleClock clock(recording);
    EXPECT_NEAR(longestSilence(recording, clock, kStartNs + 2500 * kMs, kStartNs + 3500 * kMs), 4, 1.5);
}

}  // namespace
