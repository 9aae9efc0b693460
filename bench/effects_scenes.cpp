// The scene effects drawing into a 320 x 240 frame (or the 8-bit canvas the
// shell copies onto it), and the construction of each with its tables, maps
// and shade table. Each stands beside one read-modify-write pass of the
// frame, a tunnel beside one texel gather.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "effects/c2DTunnel.h"
#include "effects/c3DTunnel.h"
#include "effects/cFade.h"
#include "effects/cFlower.h"
#include "effects/cPlasma.h"
#include "effects/showRandom.h"
#include "floors.h"
#include "image/Image.h"
#include "shell/timeline.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

DynamicFormat frameFormat() { return DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0); }

// The textures and the picture the effects load, written once into a
// temporary directory and named by absolute path.
class SceneFiles {
public:
    static const SceneFiles& get() {
        static const SceneFiles files;
        return files;
    }
    ~SceneFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::string indexedTexture;  // 256 x 256, 8-bit with a palette
    std::string directTexture;   // 256 x 256, 32-bit
    std::string picture;         // 320 x 240, 32-bit

private:
    SceneFiles() {
        std::string pattern = (std::filesystem::temp_directory_path() / "peekstun-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        indexedTexture = (root / "a076.tga").string();
        directTexture = (root / "a018.tga").string();
        picture = (root / "at-ready.tga").string();

        std::vector<uint8_t> indices(256 * 256);
        std::vector<int32_t> colours(256);
        for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>((i * 7) ^ (i >> 8));
        for (int i = 0; i < 256; ++i) colours[i] = (i << 16) | ((255 - i) << 8) | 0x40;
        const DynamicFormat indexed(8);
        const DynamicPalette palette(colours.data());
        Image().save(indexedTexture.c_str(), 256, 256, &indexed, &palette, indices.data(), IMAGE_TGA, nullptr);

        const DynamicFormat direct = frameFormat();
        std::vector<uint32_t> texels(256 * 256);
        for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = (i * 2654435761u) & 0x00ffffff;
        Image().save(directTexture.c_str(), 256, 256, &direct, &palette, texels.data(), IMAGE_TGA, nullptr);

        std::vector<uint32_t> pixels(kWidth * kHeight);
        for (uint32_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x00203040u + i;
        Image().save(picture.c_str(), kWidth, kHeight, &direct, &palette, pixels.data(), IMAGE_TGA, nullptr);
    }

    std::filesystem::path root;
};

// Runs draw once per iteration on a target that starts grey, beside one frame
// pass or (a tunnel) one texel gather. Frame n is 1/60 s into the show after
// frame n - 1.
template <typename Draw>
void runFrames(benchmark::State& state, DynamicSurface& target, Draw draw,
               const bench::FrameFloors& floors = bench::FrameFloors{1, 0, 0, 0}) {
    int frameNumber = 0;
    for (auto _ : state) {
        draw(target, frameNumber++);
        benchmark::ClobberMemory();
    }
    bench::compareWithFrameFloors(state, floors);
}

constexpr bench::FrameFloors kOneGather{0, 0, 1, 0};

std::unique_ptr<DynamicSurface> greyFrame() {
    auto frame = std::make_unique<DynamicSurface>(kWidth, kHeight, frameFormat());
    auto* pixels = static_cast<uint32_t*>(frame->lock());
    std::fill(pixels, pixels + kWidth * kHeight, 0x00404040u);
    frame->unlock();
    return frame;
}

std::unique_ptr<DynamicSurface> canvas() { return std::make_unique<DynamicSurface>(kWidth, kHeight, DynamicFormat(8)); }

// --- Drawing, once per frame as the shell does ---

void BM_Scene_Plasma(benchmark::State& state) {
    showRandReset();
    float table[256];
    fillPlasmaTable(table, 55);
    cPlasma plasma(kWidth, kHeight, table);
    plasma.setSpeeds(8.6f, 8.3f);
    plasma.setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    auto target = canvas();
    runFrames(state, *target, [&](DynamicSurface& indices, int) {
        plasma.draw(indices);
        plasma.update(static_cast<float>(kPlasmaRate) / 60);
    });
}
BENCHMARK(BM_Scene_Plasma);

void BM_Scene_FadeDissolve(benchmark::State& state) {
    showRandReset();
    cFade fade(kWidth, kHeight, SceneFiles::get().picture.c_str());
    auto frame = greyFrame();
    fade.draw(*frame, 33.0f);  // the grid has crossed the frame: dissolving from here
    fade.draw(*frame, 45.0f);  // half revealed
    // Time stands still so every iteration dissolves at the same level.
    runFrames(state, *frame, [&](DynamicSurface& target, int) { fade.draw(target, 45.0f); });
    state.counters["state"] = fade.getState();
}
BENCHMARK(BM_Scene_FadeDissolve);

void BM_Scene_FadeGrid(benchmark::State& state) {
    cFade fade(kWidth, kHeight, SceneFiles::get().picture.c_str());
    auto frame = greyFrame();
    fade.draw(*frame, 20.0f);  // lines two thirds across
    runFrames(state, *frame, [&](DynamicSurface& target, int) { fade.draw(target, 20.0f); });
}
BENCHMARK(BM_Scene_FadeGrid);

void BM_Scene_Tunnel3DAdditive(benchmark::State& state) {
    c3DTunnel tunnel(SceneFiles::get().indexedTexture.c_str(), 255.0f);
    tunnel.update(5.0f);  // past the run-in, turning
    auto frame = greyFrame();
    runFrames(
        state, *frame,
        [&](DynamicSurface& target, int) {
            tunnel.update(static_cast<float>(kTunnelClockRate) / 60);
            tunnel.drawAdditive(target);
        },
        kOneGather);
}
BENCHMARK(BM_Scene_Tunnel3DAdditive);

void BM_Scene_Tunnel2DTripleAdditive(benchmark::State& state) {
    c2DTunnel tunnel(kWidth, kHeight, SceneFiles::get().directTexture.c_str(), 3000);
    auto frame = greyFrame();
    runFrames(
        state, *frame,
        [&](DynamicSurface& target, int n) {
            tunnel.drawTripleAdditive(target, n * (static_cast<float>(kTunnelClockRate) / 60));
        },
        kOneGather);
}
BENCHMARK(BM_Scene_Tunnel2DTripleAdditive);

void BM_Scene_Flower(benchmark::State& state) {
    cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    auto target = canvas();
    runFrames(state, *target, [&](DynamicSurface& indices, int n) {
        flower.draw(indices, n * (static_cast<float>(kMainClockRate) / 60));
    });
}
BENCHMARK(BM_Scene_Flower);

// --- Construction, once each during loading ---

template <typename Build>
void runBuilds(benchmark::State& state, Build build) {
    SceneFiles::get();
    for (auto _ : state) build();
    bench::compareWithFramePasses(state, 1);
}

void BM_Build_PlasmaTable(benchmark::State& state) {
    float table[256];
    runBuilds(state, [&] {
        fillPlasmaTable(table, 55);
        benchmark::DoNotOptimize(table);
    });
}
BENCHMARK(BM_Build_PlasmaTable);

void BM_Build_Fade(benchmark::State& state) {
    runBuilds(state, [] { cFade fade(kWidth, kHeight, SceneFiles::get().picture.c_str()); });
}
BENCHMARK(BM_Build_Fade)->Unit(benchmark::kMillisecond);

void BM_Build_Tunnel3D(benchmark::State& state) {
    runBuilds(state, [] { c3DTunnel tunnel(SceneFiles::get().indexedTexture.c_str(), 255.0f); });
}
BENCHMARK(BM_Build_Tunnel3D)->Unit(benchmark::kMillisecond);

void BM_Build_Tunnel2D(benchmark::State& state) {
    runBuilds(state, [] { c2DTunnel tunnel(kWidth, kHeight, SceneFiles::get().directTexture.c_str(), 3000); });
}
BENCHMARK(BM_Build_Tunnel2D)->Unit(benchmark::kMillisecond);

void BM_Build_Flower(benchmark::State& state) {
    runBuilds(state, [] { cFlower flower(kWidth, kHeight, 1.0f, 0.3f, 18, 13); });
}
BENCHMARK(BM_Build_Flower)->Unit(benchmark::kMillisecond);

}  // namespace
