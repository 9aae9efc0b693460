#include "frame_recorder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "png_writer.h"

namespace {

constexpr double kSongSeconds = 32 * 7.68;  // for the progress bar only

}  // namespace

FrameRecorder::FrameRecorder(const RenderOptions& options)
    : OfflineShow(options.fps), options(options), started(std::chrono::steady_clock::now()) {
    if (!options.wavPath.empty()) wav = std::make_unique<WavWriter>(options.wavPath, kSampleRate);
    if (!options.videoPath.empty()) {
        video = std::make_unique<VideoEncoder>(options.videoPath, options.fps, options.scale, kSampleRate, 320, 240);
    }
    if (!options.pngDir.empty()) std::filesystem::create_directories(options.pngDir);
}

void FrameRecorder::sceneStarted(int scene, int order) { scenes.push_back({scene, frameCount(), order}); }

void FrameRecorder::frameRendered(DynamicSurface& frame, const FrameInfo&, const int16_t* sound,
                                  size_t soundFrames) {
    long index = frameCount();
    double time = showTime();
    bool wanted = time >= options.from && time < options.to;
    const uint32_t* pixels = static_cast<const uint32_t*>(frame.lock());

    if (wanted && !options.pngDir.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame%06ld.png", index);
        writePng(options.pngDir + name, pixels, 320, 240);
    }
    if (!stillWritten && options.stillTime >= 0 && index == std::lround(options.stillTime * options.fps)) {
        writePng(options.stillPath, pixels, 320, 240);
        stillWritten = true;
    }
    if (wanted && video) video->writeFrame(pixels);
    frame.unlock();

    if (wanted && wav) wav->write(sound, soundFrames);
    if (wanted && video) video->writeSound(sound, soundFrames);
    if (options.progress && (index + 1) % 30 == 0) showProgress();
}

// Once everything asked for is written, the rest of the show is not rendered;
// with no output at all it runs to its end, for timing.
bool FrameRecorder::wantsMoreFrames() {
    bool writesRange = !options.pngDir.empty() || wav || video;
    bool writesStill = options.stillTime >= 0;
    if (!writesRange && !writesStill) return true;
    if (writesRange && showTime() < options.to) return true;
    return writesStill && !stillWritten;
}

void FrameRecorder::showProgress() {
    double time = showTime();
    int filled = static_cast<int>(std::fmin(1.0, time / kSongSeconds) * 40);
    std::fprintf(stderr, "\r[%-40.*s] %6.1f s  frame %ld", filled, "========================================", time,
                 frameCount());
    std::fflush(stderr);
}

void FrameRecorder::finish() {
    if (options.progress) std::fprintf(stderr, "\n");
    if (wav) wav->close();
    if (video) video->finish();
    if (options.stillTime >= 0 && !stillWritten) {
        throw std::runtime_error("the show ended before " + std::to_string(options.stillTime) + " s");
    }
}

void FrameRecorder::printSummary() const {
    std::fprintf(stderr, "loading: %.0f ms\n", loadingSeconds * 1000);
    for (const SceneStart& scene : scenes) {
        std::fprintf(stderr, "scene %d: frame %ld, %.3f s, order %d\n", scene.scene, scene.frame,
                     static_cast<double>(scene.frame) / options.fps, scene.order);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    double shown = showTime();
    std::fprintf(stderr, "%ld frames, %.2f s of show in %.2f s: %.1f x real time\n", frameCount(), shown, wall,
                 wall > 0 ? shown / wall : 0.0);
}
