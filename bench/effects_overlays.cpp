// The overlays and the bitmap sprite drawing into a 320 x 240 frame, each
// beside one read-modify-write pass of the frame (BM_Floor_FramePass).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "effects/cBinaryBg.h"
#include "effects/cBitmap.h"
#include "effects/cMatrixWriter.h"
#include "effects/cRandomDots.h"
#include "effects/cStatic.h"
#include "effects/showRandom.h"
#include "floors.h"
#include "image/Image.h"
#include "shell/timeline.h"
#include "show/catalogue.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

DynamicFormat frameFormat() { return DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0); }

// Writes the pictures the effects load, with their show sizes, into a fresh
// directory and works from there while the effects are built.
class PictureDirectory {
public:
    PictureDirectory() : previous(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "peekstun-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        std::filesystem::create_directories(root / "data" / "gfx");
        std::filesystem::current_path(root);
        // Read by content, whatever the name says.
        for (int i = 0; i < show::kStripeCount; ++i) write(show::kFirstStripe + i);
        for (int i = 0; i < show::kBinaryColumnCount; ++i) write(show::kFirstBinaryColumn + i);
        write(show::kLamp);
    }
    ~PictureDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(root, ignored);
    }

private:
    static void write(int picture) {
        const int width = show::kPictures[picture].width, height = show::kPictures[picture].height;
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i % 3 == 0) ? 0x0030c040 : 0x00081008;
        const DynamicFormat format = frameFormat();
        const DynamicPalette palette;
        Image().save(show::dataPath(picture).c_str(), width, height, &format, &palette, pixels.data(), IMAGE_TGA,
                     nullptr);
    }

    std::filesystem::path previous;
    std::filesystem::path root;
};

// Runs draw once per iteration on a grey frame and reports the floor ratio.
template <typename Draw>
void runFrames(benchmark::State& state, Draw draw) {
    DynamicSurface frame(kWidth, kHeight, frameFormat());
    std::vector<uint32_t> grey(kWidth * kHeight, 0x00404040);
    int frameNumber = 0;
    for (auto _ : state) {
        draw(frame, frameNumber++);
        benchmark::ClobberMemory();
    }
    bench::compareWithFramePasses(state, 1);
}

void BM_Overlay_StaticNoise(benchmark::State& state) {
    showRandReset();
    cStatic noise(kWidth, kHeight, 30, 40, cStatic::MODE_ROW_STREAKS_GRAIN);
    runFrames(state, [&](DynamicSurface& frame, int) { noise.drawAdditive(frame); });
}
BENCHMARK(BM_Overlay_StaticNoise);

void BM_Overlay_MatrixWriter(benchmark::State& state) {
    showRandReset();
    std::unique_ptr<cMatrixWriter> writer;
    {
        PictureDirectory pictures;
        writer = std::make_unique<cMatrixWriter>(kWidth, kHeight);
    }
    // 1.4 time units a second at 60 frames a second.
    runFrames(state, [&](DynamicSurface& frame, int n) {
        writer->draw(frame, n * (static_cast<float>(kMainClockRate) / 60));
    });
}
BENCHMARK(BM_Overlay_MatrixWriter);

void BM_Overlay_RandomDots(benchmark::State& state) {
    showRandReset();
    std::unique_ptr<cRandomDots> dots;
    {
        PictureDirectory pictures;
        dots = std::make_unique<cRandomDots>(kWidth, kHeight, show::dataPath(show::kLamp).c_str());
    }
    runFrames(state, [&](DynamicSurface& frame, int n) {
        dots->draw(frame, 2, 180, n * (static_cast<float>(kDotsClockRate) / 60));
    });
}
BENCHMARK(BM_Overlay_RandomDots);

void BM_Overlay_BinaryBackground(benchmark::State& state) {
    showRandReset();
    std::unique_ptr<cBinaryBg> background;
    {
        PictureDirectory pictures;
        background = std::make_unique<cBinaryBg>(kWidth, kHeight);
    }
    runFrames(state, [&](DynamicSurface& frame, int n) {
        background->draw(frame, n * (static_cast<float>(kSpriteClockRate) / 60));
    });
}
BENCHMARK(BM_Overlay_BinaryBackground);

// A whole-frame picture in each blend mode.
void BM_Bitmap_FullFrame(benchmark::State& state) {
    cBitmap picture(kWidth, kHeight, static_cast<int>(state.range(0)), kWidth, kHeight, frameFormat());
    uint32_t* pixels = static_cast<uint32_t*>(picture.lock());
    for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = (i % 7 == 0) ? 0 : 0x00203040u + i;
    picture.unlock();
    runFrames(state, [&](DynamicSurface& frame, int) { picture.draw(frame, 0, 0); });
}
BENCHMARK(BM_Bitmap_FullFrame)->ArgName("mode")->DenseRange(0, 3);

}  // namespace
