// peekstun-sync-meter: how far the show's beat pulses on screen are from the
// hits heard, measured from outside the show on one clock (CLOCK_MONOTONIC).
//   calibrate: plays clicks into the sound server (from a stream asking for
//     --click-latency ms of buffer, the show's own 200 by default, so that
//     the sink mixes as far ahead as in the show) and flips a window of its
//     own at the moment the server says each click is heard, and reports how
//     far apart its ears and eyes find them (its own offset).
//   measure --window ID: records the server's monitor and polls the show's
//     window from --start-after seconds on; from the first pulse (waited for
//     up to --max-wait seconds) it measures --seconds more, finds each pulse
//     frame and the hit nearest it, and reports the offsets less the
//     calibration (positive: the picture is late). It then presses Escape
//     and reports how soon after it the sound ended. --offsets FILE also
//     appends each offset to FILE, one a line.
//   moves --window ID: records and polls the show from its start and, once
//     it sounds, presses the player's keys and times what is heard: Space to
//     silence, Space again to sound, the longest silence in the second after
//     a seek (Right) and after a scene jump (5), then three jumps to scene 3
//     and the offsets of the first 20 beats after each, less the
//     calibration; then Escape.
//   pool FILE...: the figures of all the offsets in those files together.
//   tone FILE: writes a quiet 100 ms tone, begun and ended softly, for
//     another client to play beside the show without the meter taking it
//     for a hit.
// PULSE_SERVER and DISPLAY choose the server and the display.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "analysis.h"
#include "clock.h"
#include "tools/render/wav_writer.h"

namespace {

const char* const kUsage =
    "usage: peekstun-sync-meter calibrate [--clicks N] [--click-latency MS] [--rate HZ]\n"
    "       peekstun-sync-meter measure --window ID [--start-after S] [--max-wait S]\n"
    "                           [--seconds S] [--calibration MS] [--rate HZ] [--offsets FILE] [--verbose]\n"
    "       peekstun-sync-meter moves --window ID [--calibration MS] [--rate HZ] [--offsets FILE] [--verbose]\n"
    "       peekstun-sync-meter pool FILE...\n"
    "       peekstun-sync-meter tone FILE\n";

constexpr int64_t kPollNs = 1000000;      // the window is read every millisecond
constexpr int64_t kSearchNs = 110000000;  // hits are looked for this far either side of a pulse
constexpr double kMinimumRiseDb = 8.0;    // a hit stands this far above the 20 ms before it
constexpr int64_t kMillisecond = 1000000;
constexpr int64_t kEscapeListenNs = 1000 * kMillisecond;  // recorded after Escape

struct Options {
    std::string mode;
    unsigned long window = 0;
    double startAfter = 0;
    double seconds = 40;
    double maxWait = 120;
    double calibrationMs = 0;
    int clicks = 20;
    int clickLatencyMs = 200;
    int rate = 44100;
    bool verbose = false;
    std::string offsetsFile;
    std::vector<std::string> poolFiles;
};

bool parse(int argc, char** argv, Options& options) {
    if (argc < 2) return false;
    options.mode = argv[1];
    if (options.mode == "pool" || options.mode == "tone") {
        for (int i = 2; i < argc; ++i) options.poolFiles.push_back(argv[i]);
        return options.mode == "pool" ? !options.poolFiles.empty() : options.poolFiles.size() == 1;
    }
    if (options.mode != "calibrate" && options.mode != "measure" && options.mode != "moves") return false;
    for (int i = 2; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        if (name == "--offsets") {
            options.offsetsFile = value;
            continue;
        }
        char* end = nullptr;
        if (name == "--window") {
            options.window = std::strtoul(value, &end, 0);
        } else if (name == "--start-after") {
            options.startAfter = std::strtod(value, &end);
        } else if (name == "--seconds") {
            options.seconds = std::strtod(value, &end);
        } else if (name == "--max-wait") {
            options.maxWait = std::strtod(value, &end);
        } else if (name == "--calibration") {
            options.calibrationMs = std::strtod(value, &end);
        } else if (name == "--click-latency") {
            options.clickLatencyMs = static_cast<int>(std::strtol(value, &end, 10));
        } else if (name == "--clicks") {
            options.clicks = static_cast<int>(std::strtol(value, &end, 10));
        } else if (name == "--rate") {
            options.rate = static_cast<int>(std::strtol(value, &end, 10));
        } else {
            return false;
        }
        if (end == value || *end != '\0') return false;
    }
    if ((options.mode == "measure" || options.mode == "moves") && options.window == 0) return false;
    return options.rate >= 8000 && options.clicks > 0 && options.clickLatencyMs > 0 && options.seconds > 0 &&
           options.startAfter >= 0;
}

void printFigures(const char* what, const OffsetFigures& figures) {
    std::printf("%s: %d, median %+.1f ms, 95th percentile of |offset| %.1f ms, max %+.1f ms\n", what, figures.count,
                figures.medianMs, figures.p95AbsMs, figures.maxMs);
}

void printClock(const Recording& recording, const SampleClock& clock) {
    std::printf("recording: %zu reads, within %.2f ms of their local line (95%%), which moves by %.2f ms\n",
                recording.marks.size(), clock.residualNs / 1e6, clock.wanderNs / 1e6);
}

// Each detected time paired with the hit nearest it in the recording.
std::vector<double> offsetsToHits(const std::vector<int64_t>& pictures, const OnsetFinder& onsets, double subtractMs,
                                  bool verbose, int& unpaired) {
    std::vector<double> offsets;
    unpaired = 0;
    for (int64_t picture : pictures) {
        int64_t heard = 0;
        double rise = 0;
        if (!onsets.find(picture, kSearchNs, kMinimumRiseDb, heard, rise)) {
            ++unpaired;
            if (verbose) std::printf("  picture at %.3f s: no hit near it\n", picture / 1e9);
            continue;
        }
        double offset = (picture - heard) / 1e6 - subtractMs;
        offsets.push_back(offset);
        if (verbose) std::printf("  picture at %.3f s, hit %+.1f dB, offset %+.1f ms\n", picture / 1e9, rise, offset);
    }
    return offsets;
}

void appendOffsets(const std::string& name, const std::vector<double>& offsets) {
    if (name.empty()) return;
    FILE* file = std::fopen(name.c_str(), "a");
    if (!file) throw std::runtime_error("Cannot write " + name);
    for (double offset : offsets) std::fprintf(file, "%.3f\n", offset);
    std::fclose(file);
}

int calibrate(const Options& options) {
    FlipWindow window;
    WindowPoller poller(window.id(), kPollNs);
    MonitorRecorder recorder("", options.rate);
    recorder.start();
    poller.start();

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<int64_t> due;
    std::vector<int64_t> heardTimes, flipRequests;
    bool done = false;
    std::thread flipper([&] {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return done || !due.empty(); });
            if (due.empty()) return;
            int64_t when = due.front();
            due.pop_front();
            lock.unlock();
            sleepUntilNs(when);
            window.flip();
            int64_t flipped = monotonicNs();
            lock.lock();
            flipRequests.push_back(flipped);
        }
    });
    try {
        playClicks(options.rate, options.clickLatencyMs, options.clicks, 400 * kMillisecond, [&](int64_t heard) {
            std::lock_guard<std::mutex> lock(mutex);
            heardTimes.push_back(heard);
            due.push_back(heard);
            wake.notify_one();
        });
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        wake.notify_one();
        flipper.join();
        throw;
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    wake.notify_one();
    flipper.join();
    sleepUntilNs(monotonicNs() + 200 * kMillisecond);
    std::vector<ScreenFrame> frames = poller.stop();
    Recording recording = recorder.stop();

    SampleClock clock(recording);
    OnsetFinder onsets(recording, clock);
    std::vector<int64_t> flips = flipTimes(frames);
    int unpaired = 0;
    std::vector<double> offsets = offsetsToHits(flips, onsets, 0.0, options.verbose, unpaired);
    // Each half of the stimulus against what the server and X were asked for.
    std::vector<double> earsLate, eyesLate;
    for (size_t i = 0; i < heardTimes.size(); ++i) {
        int64_t heard = 0;
        double rise = 0;
        if (onsets.find(heardTimes[i], kSearchNs, kMinimumRiseDb, heard, rise))
            earsLate.push_back((heard - heardTimes[i]) / 1e6);
    }
    for (size_t i = 0; i < flips.size() && i < flipRequests.size(); ++i)
        eyesLate.push_back((flips[i] - flipRequests[i]) / 1e6);

    printClock(recording, clock);
    std::printf("window polled %lld times, %zu pictures\n", static_cast<long long>(poller.polls()), frames.size());
    printFigures("clicks heard after the server's time", figuresOf(earsLate));
    printFigures("flips seen after they were drawn", figuresOf(eyesLate));
    OffsetFigures figures = figuresOf(offsets);
    printFigures("flips seen minus clicks heard", figures);
    if (figures.count < options.clicks / 2) {
        std::fprintf(stderr, "peekstun-sync-meter: only %d of %d clicks were found on both sides\n", figures.count,
                     options.clicks);
        return 1;
    }
    // A server that has just started, or is pressed, may report unsteady
    // times for a while; such a calibration is not used (exit status 3).
    // Single reports scatter by a millisecond or so with the sink's render
    // steps, by up to half a quantum on PipeWire (5 ms and more); the clock
    // takes the median of the hundreds in the second around each frame.
    if (clock.residualNs > 10e6) {
        std::printf("the recording's reads stray %.1f ms from their line: calibration not steady\n",
                    clock.residualNs / 1e6);
        return 3;
    }
    std::printf("calibration %.2f\n", figures.medianMs);
    return 0;
}

int measure(const Options& options) {
    sleepUntilNs(monotonicNs() + static_cast<int64_t>(options.startAfter * 1e9));
    WindowPoller poller(options.window, kPollNs);
    MonitorRecorder recorder("", options.rate);
    recorder.start();
    poller.start();
    // Until the first pulse the last few seconds of frames are looked at
    // every second and the older ones dropped: a show that falls behind its
    // song reaches its pulses late. Then `seconds` more are measured.
    const int64_t began = monotonicNs();
    const int64_t waitUntil = began + static_cast<int64_t>(options.maxWait * 1e9);
    const int64_t recent = 3000 * kMillisecond;
    int64_t end = 0;
    while (!poller.windowGone()) {
        const int64_t now = monotonicNs();
        if (end != 0 && now >= end) break;
        if (end == 0) {
            std::vector<int64_t> pulses = zoomPulses(poller.framesSince(now - recent));
            if (!pulses.empty()) {
                end = pulses.front() + static_cast<int64_t>(options.seconds * 1e9);
                std::printf("first pulse %.1f s after the measurement began\n", (pulses.front() - began) / 1e9);
            } else if (now >= waitUntil) {
                break;
            } else {
                poller.forgetBefore(now - recent);
            }
        }
        sleepUntilNs(std::min(end != 0 ? end : now + 1000 * kMillisecond, now + 1000 * kMillisecond));
    }
    // Then Escape, and a second more of sound: how soon the show falls silent.
    int64_t escapeNs = 0;
    if (end != 0 && !poller.windowGone()) {
        escapeNs = monotonicNs();
        pressKey(options.window, "Escape");
        sleepUntilNs(escapeNs + kEscapeListenNs);
    }
    std::vector<ScreenFrame> frames = poller.stop();
    Recording recording = recorder.stop();

    SampleClock clock(recording);
    OnsetFinder onsets(recording, clock);
    std::vector<int64_t> pulses = zoomPulses(frames);
    int unpaired = 0;
    std::vector<double> offsets = offsetsToHits(pulses, onsets, options.calibrationMs, options.verbose, unpaired);
    double seconds = frames.size() > 1 ? (frames.back().shownNs - frames.front().shownNs) / 1e9 : 0;
    printClock(recording, clock);
    std::printf("window polled %lld times, %zu pictures (%.1f per second), %zu pulses, %d without a hit near them\n",
                static_cast<long long>(poller.polls()), frames.size(), seconds > 0 ? frames.size() / seconds : 0.0,
                pulses.size(), unpaired);
    OffsetFigures figures = figuresOf(offsets);
    printFigures("beats", figures);
    appendOffsets(options.offsetsFile, offsets);
    // The server's timing reports scatter when it cannot keep up; then the
    // hits' times are not known well enough to judge the pictures by.
    const bool unreliable = clock.residualNs > 10e6;
    if (unreliable)
        std::printf(
            "warning: the recording's reads stray %.0f ms from their line: its times, and these figures, "
            "are not to be trusted\n",
            clock.residualNs / 1e6);
    // The last loud millisecond heard after the key, in the result line.
    std::string escape = "not pressed";
    if (escapeNs != 0) {
        const SoundEnd soundEnd = soundEndAfter(recording, clock, escapeNs);
        char text[64];
        std::snprintf(text, sizeof text, "%.1f ms", soundEnd.silentAfterMs);
        escape = !soundEnd.soundingBefore ? "no sound just before it"
                 : soundEnd.stillSounding ? "still sounding 1 s after it"
                                          : text;
        std::printf("Escape pressed; the sound ended: %s\n", escape.c_str());
    }
    std::printf(
        "result beats=%d median_ms=%.1f p95_abs_ms=%.1f max_ms=%.1f unpaired=%d refresh_ms=%.1f (median %.1f ms "
        "before the calibration), silent after Escape: %s\n",
        figures.count, figures.medianMs, figures.p95AbsMs, figures.maxMs, unpaired, medianPictureInterval(frames) / 1e6,
        figures.medianMs + options.calibrationMs, escape.c_str());
    return figures.count > 0 ? 0 : 1;
}

// Several runs' offsets as one: within a run every beat falls at much the
// same phase of the display's refreshes, so one run's median is mostly that
// phase.
int pool(const Options& options) {
    std::vector<double> offsets;
    for (const std::string& name : options.poolFiles) {
        FILE* file = std::fopen(name.c_str(), "r");
        if (!file) throw std::runtime_error("Cannot read " + name);
        double offset = 0;
        while (std::fscanf(file, "%lf", &offset) == 1) offsets.push_back(offset);
        std::fclose(file);
    }
    const OffsetFigures figures = figuresOf(offsets);
    std::printf("pooled beats=%d median_ms=%.1f p95_abs_ms=%.1f max_ms=%.1f\n", figures.count, figures.medianMs,
                figures.p95AbsMs, figures.maxMs);
    return figures.count > 0 ? 0 : 1;
}

int moves(const Options& options) {
    WindowPoller poller(options.window, kPollNs);
    MonitorRecorder recorder("", options.rate);
    recorder.start();
    poller.start();
    // The show is loading; its song starts with the first scene. A few
    // seconds into it every part has settled.
    const int64_t began = monotonicNs();
    sleepUntilNs(began + 12000 * kMillisecond);
    auto press = [&](const char* key, int64_t waitMs) {
        const int64_t at = monotonicNs();
        pressKey(options.window, key);
        sleepUntilNs(at + waitMs * kMillisecond);
        return at;
    };
    const int64_t pauseKey = press("space", 1500);
    const int64_t resumeKey = press("space", 3000);
    const int64_t seekKey = press("Right", 3000);
    const int64_t jumpKey = press("5", 3000);
    constexpr int kJumps = 3;
    constexpr int64_t kBeatsMs = 14000;  // 20 beats and more
    int64_t sceneKeys[kJumps];
    for (int64_t& key : sceneKeys) key = press("3", kBeatsMs);
    const int64_t escapeKey = press("Escape", 500);
    std::vector<ScreenFrame> frames = poller.stop();
    Recording recording = recorder.stop();

    SampleClock clock(recording);
    OnsetFinder onsets(recording, clock);
    printClock(recording, clock);
    const double toSilence = silenceAfter(recording, clock, pauseKey, resumeKey, 200 * kMillisecond);
    const double toSound = soundAfter(recording, clock, resumeKey, seekKey);
    const double afterSeek = longestSilence(recording, clock, seekKey, seekKey + 1000 * kMillisecond);
    const double afterJump = longestSilence(recording, clock, jumpKey, jumpKey + 1000 * kMillisecond);
    std::vector<double> offsets;
    for (int64_t key : sceneKeys) {
        std::vector<ScreenFrame> after;
        for (const ScreenFrame& frame : frames)
            if (frame.shownNs > key + 50 * kMillisecond && frame.shownNs < key + kBeatsMs * kMillisecond)
                after.push_back(frame);
        int unpaired = 0;
        std::vector<double> jumpOffsets =
            offsetsToHits(zoomPulses(after), onsets, options.calibrationMs, options.verbose, unpaired);
        if (jumpOffsets.size() > 20) jumpOffsets.resize(20);
        std::printf("jump to scene 3: %zu beats, %d pulses without a hit near them\n", jumpOffsets.size(), unpaired);
        offsets.insert(offsets.end(), jumpOffsets.begin(), jumpOffsets.end());
    }
    appendOffsets(options.offsetsFile, offsets);
    const OffsetFigures figures = figuresOf(offsets);
    printFigures("beats after the jumps", figures);
    const SoundEnd end = soundEndAfter(recording, clock, escapeKey);
    std::printf(
        "moves space_to_silence_ms=%.1f space_to_sound_ms=%.1f silence_after_seek_ms=%.1f "
        "silence_after_jump_ms=%.1f beats=%d median=%.1f p95_abs=%.1f refresh=%.1f (ms), silent after Escape: %.1f "
        "ms\n",
        toSilence, toSound, afterSeek, afterJump, figures.count, figures.medianMs, figures.p95AbsMs,
        medianPictureInterval(frames) / 1e6, end.silentAfterMs);
    return figures.count > 0 && toSilence >= 0 && toSound >= 0 ? 0 : 1;
}

int tone(const Options& options) {
    constexpr int kRate = 48000;
    constexpr int kFrames = kRate / 10;
    constexpr int kRamp = kRate / 50;  // 20 ms in and out: no sharp onset
    WavWriter file(options.poolFiles.front(), kRate);
    std::vector<int16_t> samples(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const double ramp = std::min(1.0, std::min(i, kFrames - 1 - i) / static_cast<double>(kRamp));
        const auto value = static_cast<int16_t>(1000.0 * ramp * std::sin(2.0 * M_PI * 440.0 * i / kRate));
        samples[2 * i] = samples[2 * i + 1] = value;
    }
    file.write(samples.data(), kFrames);
    file.close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        if (options.mode == "pool") return pool(options);
        if (options.mode == "tone") return tone(options);
        if (options.mode == "moves") return moves(options);
        return options.mode == "calibrate" ? calibrate(options) : measure(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-sync-meter: %s\n", error.what());
        return 1;
    }
}
