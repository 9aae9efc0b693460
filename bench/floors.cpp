// Floors that every stage is compared with: the frame-sized passes a layer
// cannot do without (a read-modify-write pass, a memcpy, a texel gather, a
// palette lookup), and reading the show's data files from memory.
#include "floors.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// What the floors work on: a frame and a second one to copy from, a 256 x 256
// texture with a tunnel's texel index for every pixel (angle round the
// centre, depth falling with the distance from it), and an 8-bit canvas with
// its palette.
struct FloorInputs {
    std::vector<uint32_t> frame = std::vector<uint32_t>(kPixels, 0x00102030);
    std::vector<uint32_t> source = std::vector<uint32_t>(kPixels, 0x00405060);
    std::vector<uint32_t> texture = std::vector<uint32_t>(256 * 256);
    std::vector<uint16_t> texelIndices = std::vector<uint16_t>(kPixels);
    std::vector<uint8_t> canvas = std::vector<uint8_t>(kPixels);
    std::vector<uint32_t> palette = std::vector<uint32_t>(256);

    FloorInputs() {
        for (uint32_t i = 0; i < texture.size(); ++i) texture[i] = (i * 2654435761u) & 0x00ffffff;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const double dx = x - kWidth / 2 + 0.5;
                const double dy = y - kHeight / 2 + 0.5;
                const int angle = static_cast<int>((std::atan2(dy, dx) + M_PI) * (128 / M_PI)) & 255;
                const int depth = static_cast<int>(8192.0 / std::sqrt(dx * dx + dy * dy)) & 255;
                texelIndices[y * kWidth + x] = static_cast<uint16_t>(angle << 8 | depth);
                canvas[y * kWidth + x] = static_cast<uint8_t>(x * 3 + y * 5);
            }
        }
        for (int i = 0; i < 256; ++i) palette[i] = static_cast<uint32_t>(i) * 0x010203u;
    }

    void run(bench::FrameFloor floor) {
        switch (floor) {
            case bench::FrameFloor::Pass:
                bench::framePass(frame.data());
                break;
            case bench::FrameFloor::Memcpy:
                bench::frameMemcpy(frame.data(), source.data());
                break;
            case bench::FrameFloor::TexelGather:
                bench::texelGather(frame.data(), texelIndices.data(), texture.data());
                break;
            case bench::FrameFloor::PaletteLookup:
                bench::paletteLookup(frame.data(), canvas.data(), palette.data());
                break;
        }
    }
};

FloorInputs& floorInputs() {
    static FloorInputs inputs;
    return inputs;
}

constexpr bench::FrameFloorNames kNames[bench::kFrameFloorCount] = {
    {"BM_Floor_FramePass", "floor_frame_passes", "frame_pass_seconds", "pass"},
    {"BM_Floor_FrameMemcpy", "floor_frame_memcpys", "frame_memcpy_seconds", "memcpy"},
    {"BM_Floor_TexelGather", "floor_texel_gathers", "texel_gather_seconds", "gather"},
    {"BM_Floor_PaletteLookup", "floor_palette_lookups", "palette_lookup_seconds", "lookup"},
};

}  // namespace

const bench::FrameFloorNames& bench::frameFloorNames(FrameFloor floor) { return kNames[static_cast<int>(floor)]; }

void bench::framePass(uint32_t* frame) {
    for (int i = 0; i < kPixels; ++i) frame[i] = frame[i] + 0x00010101;
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
}

void bench::frameMemcpy(uint32_t* target, const uint32_t* source) {
    std::memcpy(target, source, kPixels * 4);
    benchmark::DoNotOptimize(target);
    benchmark::ClobberMemory();
}

void bench::texelGather(uint32_t* frame, const uint16_t* texelIndices, const uint32_t* texture) {
    for (int i = 0; i < kPixels; ++i) frame[i] = texture[texelIndices[i]];
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
}

void bench::paletteLookup(uint32_t* frame, const uint8_t* canvas, const uint32_t* palette) {
    for (int i = 0; i < kPixels; ++i) frame[i] = palette[canvas[i]];
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
}

double bench::frameFloorSecondsNow(FrameFloor floor) {
    constexpr int kRounds = 8;
    constexpr int kRunsPerRound = 16;
    FloorInputs& inputs = floorInputs();
    inputs.run(floor);  // in the cache, as a frame being drawn is
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double start = threadSeconds();
        for (int run = 0; run < kRunsPerRound; ++run) inputs.run(floor);
        best = std::min(best, (threadSeconds() - start) / kRunsPerRound);
    }
    return best;
}

void bench::compareWithFrameFloors(benchmark::State& state, const FrameFloors& floors) {
    const double counts[kFrameFloorCount] = {floors.passes, floors.memcpys, floors.texelGathers, floors.paletteLookups};
    for (int i = 0; i < kFrameFloorCount; ++i) {
        if (counts[i] <= 0) continue;
        state.counters[kNames[i].count] = counts[i];
        state.counters[kNames[i].beside] = frameFloorSecondsNow(static_cast<FrameFloor>(i));
    }
}

namespace {

void runFloor(benchmark::State& state, bench::FrameFloor floor) {
    FloorInputs& inputs = floorInputs();
    for (auto _ : state) inputs.run(floor);
    state.SetBytesProcessed(state.iterations() * kPixels * 4);
}

void BM_Floor_FramePass(benchmark::State& state) { runFloor(state, bench::FrameFloor::Pass); }
BENCHMARK(BM_Floor_FramePass);

void BM_Floor_FrameMemcpy(benchmark::State& state) { runFloor(state, bench::FrameFloor::Memcpy); }
BENCHMARK(BM_Floor_FrameMemcpy);

void BM_Floor_TexelGather(benchmark::State& state) { runFloor(state, bench::FrameFloor::TexelGather); }
BENCHMARK(BM_Floor_TexelGather);

void BM_Floor_PaletteLookup(benchmark::State& state) { runFloor(state, bench::FrameFloor::PaletteLookup); }
BENCHMARK(BM_Floor_PaletteLookup);

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
