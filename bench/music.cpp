// The music layer: what mixing costs with each interpolation, and how closely
// the reported row follows what is heard.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "floors.h"
#include "platform/sound/fmod.h"
#include "platform/sound/sdl/sdl_output.h"
#include "platform/sound/sound_clock.h"
#include "platform/sound/sound_song.h"

// The benchmark program links the core library only, so the test modules'
// writer is compiled in here.
#include "../tests/support/xm_builder.cpp"

namespace {

constexpr int kRate = 44100;

std::string benchSongPath(const char* name, const XmSong& song) {
    std::string path = "/tmp/peekstun-bench-" + std::to_string(getpid()) + "-" + name;
    writeXmFile(path, buildXm(song));
    return path;
}

// Mixing 32 orders through the offline output, 1024 frames at a time as a
// device would ask, with mixer 0 (default), 1 (linear), 2 (cubic), 3 (8-tap
// sinc). The show's own module is used when data/ holds it; otherwise a module
// of 8 channels of looped tones. "realtime" is seconds of song per second.
void BM_Music_Mix(benchmark::State& state) {
    std::string built = benchSongPath("busy.xm", busySong(32, 8));
    FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE);
    FSOUND_SetMixer(static_cast<int>(state.range(0)));
    if (!FSOUND_Init(kRate, 32)) {
        state.SkipWithError("FSOUND_Init failed");
        return;
    }
    FMUSIC_MODULE* song = FMUSIC_LoadSong("data/music/peekstun.xm");
    state.SetLabel(song ? "data/music/peekstun.xm" : "8 channels, built");
    if (!song) song = FMUSIC_LoadSong(built.c_str());
    FMUSIC_PlaySong(song);

    std::vector<int16_t> block(2 * 1024);
    const size_t framesPerIteration = kRate;  // one second of song
    for (auto _ : state) {
        for (size_t mixed = 0; mixed < framesPerIteration; mixed += 1024) {
            if (FSOUND_Offline_Mix(block.data(), 1024) < 1024) {
                state.PauseTiming();
                FMUSIC_PlaySong(song);
                state.ResumeTiming();
            }
        }
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    std::remove(built.c_str());
}
BENCHMARK(BM_Music_Mix)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// One frame's worth of the show's sound at 60 frames a second, as the offline
// renderer mixes it after each frame: the default mixer at 44100 Hz.
void BM_Music_MixOneFrame(benchmark::State& state) {
    std::string built = benchSongPath("frame.xm", busySong(32, 8));
    FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE);
    FSOUND_SetMixer(0);
    if (!FSOUND_Init(kRate, 32)) {
        state.SkipWithError("FSOUND_Init failed");
        return;
    }
    FMUSIC_MODULE* song = FMUSIC_LoadSong("data/music/peekstun.xm");
    state.SetLabel(song ? "data/music/peekstun.xm" : "8 channels, built");
    if (!song) song = FMUSIC_LoadSong(built.c_str());
    FMUSIC_PlaySong(song);

    const size_t frameSamples = kRate / 60;
    std::vector<int16_t> block(2 * frameSamples);
    for (auto _ : state) {
        if (FSOUND_Offline_Mix(block.data(), frameSamples) < frameSamples) {
            state.PauseTiming();
            FMUSIC_PlaySong(song);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(block.data());
    }
    bench::compareWithFrameMemcpys(state, 1);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    std::remove(built.c_str());
}
BENCHMARK(BM_Music_MixOneFrame);

// Where each row's first sample lands in time, found from the sound itself:
// every row of the click song starts with a click after a near silence.
class ClickListener {
public:
    void hear(const int16_t* samples, size_t frames, int64_t heardAt) {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < frames; ++i) {
            int level = std::abs(int{samples[2 * i]});
            if (level >= 100 && quietFrames >= 200) onsets.push_back(heardAt + static_cast<int64_t>(i * 1e9 / kRate));
            quietFrames = level <= 8 ? quietFrames + 1 : 0;
        }
    }
    std::vector<int64_t> heardOnsets() {
        std::lock_guard<std::mutex> lock(mutex);
        return onsets;
    }

private:
    std::mutex mutex;
    size_t quietFrames = 1000;  // the song starts after silence
    std::vector<int64_t> onsets;
};

// The A/V offset on SDL's dummy driver: for each row, when the reported row
// changes minus when its first sample is played, in milliseconds (positive:
// the picture follows the sound). Reading the decoder's own position instead
// would run a block or more (23 ms or more) ahead of the sound.
void BM_Music_AvOffset(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string path = benchSongPath("clicks.xm", clickSong(4));
    SoundSong song(path);
    song.restart(kRate, 0);
    ClickListener listener;
    // Each row change happened between two polls: the last that saw the old
    // row and the first that saw the new one.
    std::vector<std::pair<int64_t, int64_t>> changes;
    for (auto _ : state) {
        SdlOutput output(nullptr, nullptr, kRate);
        int64_t streamFrame = 0;
        output.start([&](int16_t* samples, size_t frames) {
            song.mix(samples, frames, streamFrame);
            streamFrame += static_cast<int64_t>(frames);
            listener.hear(samples, frames, steadyNowNs() + output.latency());
        });
        MusicPosition last;
        int64_t lastPoll = steadyNowNs();
        const int64_t end = lastPoll + 3500000000;  // 29 rows
        while (lastPoll < end) {
            int64_t poll = steadyNowNs();
            MusicPosition now = song.positionAt(static_cast<int64_t>(std::floor(output.frameHeardAt(poll))));
            if (now != last) {
                changes.push_back({lastPoll, poll});
                last = now;
            }
            lastPoll = poll;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        output.stop();
    }
    std::vector<int64_t> onsets = listener.heardOnsets();
    // The offset counts from the first poll that saw the row (the picture
    // shows it then); the bound subtracts the time since the poll before,
    // which is the poller's lateness, not the music layer's.
    double sum = 0, worst = 0, boundSum = 0;
    size_t rows = std::min(changes.size(), onsets.empty() ? 0 : onsets.size() - 1);
    for (size_t row = 1; row <= rows; ++row) {
        double offset = (changes[row - 1].second - onsets[row]) / 1e6;
        sum += offset;
        boundSum += (changes[row - 1].first - onsets[row]) / 1e6;
        if (std::abs(offset) > std::abs(worst)) worst = offset;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["offset_mean_ms"] = rows ? sum / rows : 0;
    state.counters["offset_worst_ms"] = worst;
    state.counters["offset_bound_mean_ms"] = rows ? boundSum / rows : 0;
    std::remove(path.c_str());
}
BENCHMARK(BM_Music_AvOffset)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
