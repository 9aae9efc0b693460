// The loading behind the loading screen: decoding every picture and texture
// file beside reading their bytes from memory, the curve tables and each
// effect's construction beside a frame pass, and the whole of it as the show
// does it, from the first picture read to the last effect built.
#include <benchmark/benchmark.h>

#include <memory>

#include "data_files.h"
#include "effects/c2DTunnel.h"
#include "effects/c3DTunnel.h"
#include "effects/cBinaryBg.h"
#include "effects/cFade.h"
#include "effects/cFlower.h"
#include "effects/cMatrixWriter.h"
#include "effects/cPlasma.h"
#include "effects/cRandomDots.h"
#include "effects/cStatic.h"
#include "floors.h"
#include "image/Image.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/ptc.h"
#include "shell/assets.h"
#include "shell/tables.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

bool haveData(benchmark::State& state) {
    if (!bench::dataFiles().pictures.empty()) return true;
    state.SkipWithError("no data/ in the working directory");
    return false;
}

void BM_Load_DecodeAllPictures(benchmark::State& state) {
    if (!haveData(state)) return;
    const auto& files = bench::dataFiles();
    for (auto _ : state) {
        for (const std::string& path : files.pictures) {
            Image image(path.c_str());
            benchmark::DoNotOptimize(image.pixels());
        }
    }
    state.counters["files"] = static_cast<double>(files.pictures.size());
    bench::compareWithReading(state, files.bytes);
}
BENCHMARK(BM_Load_DecodeAllPictures)->Unit(benchmark::kMillisecond);

void BM_Load_CurveTables(benchmark::State& state) {
    auto tables = std::make_unique<CurveTables>();
    for (auto _ : state) {
        computeCurveTables(*tables);
        benchmark::DoNotOptimize(tables.get());
    }
    bench::compareWithFramePasses(state, 1);
}
BENCHMARK(BM_Load_CurveTables);

// Builds and destroys one effect per iteration, as the show builds it.
template <typename Build>
void buildEffect(benchmark::State& state, Build build) {
    if (!haveData(state)) return;
    for (auto _ : state) {
        auto effect = build();
        benchmark::DoNotOptimize(effect.get());
    }
    bench::compareWithFramePasses(state, 1);
}

void BM_Load_Static(benchmark::State& state) {
    buildEffect(state, [] { return std::make_unique<cStatic>(kWidth, kHeight, 30, 40, 5); });
}
BENCHMARK(BM_Load_Static);

void BM_Load_MatrixWriter(benchmark::State& state) {
    buildEffect(state, [] { return std::make_unique<cMatrixWriter>(kWidth, kHeight); });
}
BENCHMARK(BM_Load_MatrixWriter)->Unit(benchmark::kMicrosecond);

void BM_Load_Fade(benchmark::State& state) {
    buildEffect(state,
                [] { return std::make_unique<cFade>(kWidth, kHeight, show::dataPath(show::kBackAlley).c_str()); });
}
BENCHMARK(BM_Load_Fade)->Unit(benchmark::kMicrosecond);

void BM_Load_Tunnel3D(benchmark::State& state) {
    buildEffect(state,
                [] { return std::make_unique<c3DTunnel>(show::dataPath(show::kTunnel3DTexture).c_str(), 255.0f); });
}
BENCHMARK(BM_Load_Tunnel3D)->Unit(benchmark::kMicrosecond);

void BM_Load_Tunnel2D(benchmark::State& state) {
    buildEffect(state, [] {
        return std::make_unique<c2DTunnel>(kWidth, kHeight, show::dataPath(show::kTunnel2DTexture).c_str(), 3000);
    });
}
BENCHMARK(BM_Load_Tunnel2D)->Unit(benchmark::kMillisecond);

void BM_Load_RandomDots(benchmark::State& state) {
    buildEffect(state,
                [] { return std::make_unique<cRandomDots>(kWidth, kHeight, show::dataPath(show::kLamp).c_str()); });
}
BENCHMARK(BM_Load_RandomDots)->Unit(benchmark::kMicrosecond);

void BM_Load_BinaryBackground(benchmark::State& state) {
    buildEffect(state, [] { return std::make_unique<cBinaryBg>(kWidth, kHeight); });
}
BENCHMARK(BM_Load_BinaryBackground)->Unit(benchmark::kMicrosecond);

void BM_Load_Plasma(benchmark::State& state) {
    CurveTables tables;
    computeCurveTables(tables);
    buildEffect(state, [&] {
        auto plasma = std::make_unique<cPlasma>(kWidth, kHeight, tables.plasma);
        plasma->setSpeeds(8.6f, 8.3f);
        plasma->setSteps(0.8f, 0.2f, 0.4f, 0.5f);
        return plasma;
    });
}
BENCHMARK(BM_Load_Plasma)->Unit(benchmark::kMicrosecond);

void BM_Load_Flower(benchmark::State& state) {
    buildEffect(state, [] { return std::make_unique<cFlower>(kWidth, kHeight, 1.0f, 0.3f, 18, 13); });
}
BENCHMARK(BM_Load_Flower)->Unit(benchmark::kMillisecond);

// Everything the loading screen covers, on an offscreen console.
void BM_Load_WholeShow(benchmark::State& state) {
    if (!haveData(state)) return;
    ptc_error_set_message_box(0);
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    DynamicConsole console;
    console.option("offscreen output");
    console.open("peekstun-bench", kWidth, kHeight, frameFormat, 0);
    for (auto _ : state) {
        ShowAssets assets(console, frameFormat);
        benchmark::DoNotOptimize(&assets);
    }
    bench::compareWithReading(state, bench::dataFiles().bytes);
}
BENCHMARK(BM_Load_WholeShow)->Unit(benchmark::kMillisecond);

}  // namespace
