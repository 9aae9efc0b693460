// The display toolkit's per-frame copies, each beside BM_Floor_FrameMemcpy
// (one 320 x 240 x 4-byte memcpy, measured in the same run), the copy through
// a palette beside BM_Floor_PaletteLookup.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "floors.h"
#include "platform/display/DynamicSurface.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

const DynamicFormat& frameFormat() {
    static const DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff);
    return format;
}

void fillPattern(DynamicSurface& surface) {
    auto* bytes = static_cast<uint8_t*>(surface.lock());
    const size_t count = size_t(surface.width()) * surface.height() * surface.format().bytes();
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    surface.unlock();
}

void reportAgainstMemcpy(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
    bench::compareWithFrameMemcpys(state, 1);
}

void BM_Display_Copy32To32(benchmark::State& state) {
    DynamicSurface source(kWidth, kHeight, frameFormat());
    DynamicSurface frame(kWidth, kHeight, frameFormat());
    fillPattern(source);
    for (auto _ : state) {
        source.copy(frame);
        benchmark::ClobberMemory();
    }
    reportAgainstMemcpy(state);
}
BENCHMARK(BM_Display_Copy32To32);

void BM_Display_Copy8To32ThroughPalette(benchmark::State& state) {
    std::vector<int32_t> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = i * 0x010203;
    DynamicSurface canvas(kWidth, kHeight, DynamicFormat(8));
    canvas.setPalette(DynamicPalette(colours.data()));
    DynamicSurface frame(kWidth, kHeight, frameFormat());
    fillPattern(canvas);
    for (auto _ : state) {
        canvas.copy(frame);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
    bench::compareWithPaletteLookups(state, 1);
}
BENCHMARK(BM_Display_Copy8To32ThroughPalette);

// The beat pulse: the inner 300 x 220 of the background onto the whole frame.
void BM_Display_ScaledAreaCopy(benchmark::State& state) {
    DynamicSurface background(kWidth, kHeight, frameFormat());
    DynamicSurface frame(kWidth, kHeight, frameFormat());
    fillPattern(background);
    const DynamicArea inner(10, 10, 310, 230);
    const DynamicArea whole(0, 0, kWidth, kHeight);
    for (auto _ : state) {
        background.copy(frame, inner, whole);
        benchmark::ClobberMemory();
    }
    reportAgainstMemcpy(state);
}
BENCHMARK(BM_Display_ScaledAreaCopy);

}  // namespace
