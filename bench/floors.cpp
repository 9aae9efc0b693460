// Floors that every stage is compared with: the least work a frame can cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kPixels = 320 * 240;

// One read-modify-write pass over a 320 x 240 frame of 32-bit pixels.
void BM_Floor_FramePass(benchmark::State& state) {
    std::vector<uint32_t> frame(kPixels, 0x00102030);
    for (auto _ : state) {
        uint32_t* p = frame.data();
        for (int i = 0; i < kPixels; ++i) p[i] = p[i] + 0x00010101;
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
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

}  // namespace
