// Floors that every stage is compared with: one read-modify-write pass over a
// frame, one frame memcpy, and reading the show's data files from memory.
#include "floors.h"

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kPixels = 320 * 240;

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

void bench::framePass(uint32_t* frame) {
    for (int i = 0; i < kPixels; ++i) frame[i] = frame[i] + 0x00010101;
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
}

double bench::framePassSecondsNow() {
    constexpr int kRounds = 8;
    constexpr int kPassesPerRound = 16;
    std::vector<uint32_t> frame(kPixels, 0x00102030);
    bench::framePass(frame.data());  // in the cache, as a frame being drawn is
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double start = threadSeconds();
        for (int pass = 0; pass < kPassesPerRound; ++pass) bench::framePass(frame.data());
        best = std::min(best, (threadSeconds() - start) / kPassesPerRound);
    }
    return best;
}

namespace {

void BM_Floor_FramePass(benchmark::State& state) {
    std::vector<uint32_t> frame(kPixels, 0x00102030);
    for (auto _ : state) bench::framePass(frame.data());
    state.SetBytesProcessed(state.iterations() * kPixels * 4);
}
BENCHMARK(BM_Floor_FramePass);

// memcpy of one 320 x 240 x 4-byte frame.
void BM_Floor_FrameMemcpy(benchmark::State& state) {
    std::vector<uint32_t> source(kPixels, 0x00405060), target(kPixels);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kPixels * 4);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPixels * 4);
}
BENCHMARK(BM_Floor_FrameMemcpy);

// Every picture and texture file under data/, already in memory, copied out
// once: what reading their bytes costs before any decoding.
void BM_Floor_ReadDataFiles(benchmark::State& state) {
    std::vector<std::vector<char>> files;
    size_t largest = 0;
    double total = 0;
    for (const char* folder : {"data/gfx", "data/textures"}) {
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
            std::ifstream in(entry.path(), std::ios::binary);
            files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            largest = std::max(largest, files.back().size());
            total += static_cast<double>(files.back().size());
        }
    }
    if (files.empty()) {
        state.SkipWithError("no data/ in the working directory");
        return;
    }
    std::vector<char> scratch(largest);
    for (auto _ : state) {
        for (const auto& file : files) {
            std::memcpy(scratch.data(), file.data(), file.size());
            benchmark::DoNotOptimize(scratch.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(total));
    state.counters[bench::kFloorReadBenchmarkBytes] = total;
    state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_Floor_ReadDataFiles);

}  // namespace
