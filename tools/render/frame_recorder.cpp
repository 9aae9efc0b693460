#include "frame_recorder.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "output_files.h"
#include "png_writer.h"
#include "seconds_text.h"

namespace {

constexpr double kSongSeconds = 32 * 7.68;  // for the progress bar only
constexpr int kWidth = 320;
constexpr int kHeight = 240;

VideoPlacement placementOf(const RenderOptions& options) {
    return options.videoWidth > 0 ? placeInFrame(kWidth, kHeight, options.videoWidth, options.videoHeight)
                                  : magnify(kWidth, kHeight, options.scale);
}

bool changesFrames(const VideoPlacement& placement) { return placement.width != kWidth || placement.height != kHeight; }

}  // namespace

namespace {

// The first frame whose time, frame / fps, is not before `seconds`.
long firstFrameFrom(double seconds, int fps) {
    if (seconds <= 0) return 0;
    long frame = static_cast<long>(std::floor(seconds * fps));
    while (static_cast<double>(frame) / fps < seconds) ++frame;
    while (frame > 0 && static_cast<double>(frame - 1) / fps >= seconds) --frame;
    return frame;
}

}  // namespace

FrameRecorder::FrameRecorder(const RenderOptions& options)
    : OfflineShow(options.fps),
      options(options),
      placement(placementOf(options)),
      progress(!options.quiet && isatty(STDERR_FILENO)),
      started(std::chrono::steady_clock::now()) {
    for (const std::string* path : {&options.wavPath, &options.videoPath, &options.stillPath}) {
        if (!path->empty()) checkCreatable(*path);
    }
    if (!options.pngDir.empty()) madeDirectories = makeDirectories(options.pngDir);
    if (changesFrames(placement) && (!options.pngDir.empty() || !options.stillPath.empty()))
        scaler = std::make_unique<FrameScaler>(kWidth, kHeight, placement);
    // The show seeks to the first frame anything is written from instead of
    // drawing every frame before it; with nothing to write it runs whole.
    long first = -1;
    if (writesRange()) first = firstFrameFrom(options.from, options.fps);
    if (options.stillTime >= 0) {
        const long still = std::lround(options.stillTime * options.fps);
        first = first < 0 ? still : std::min(first, still);
    }
    if (first > 0) startAtFrame(first);
}

void FrameRecorder::sceneStarted(int scene, int order) {
    landing = false;
    scenes.push_back({scene, frameCount(), order, false});
}

// The frames before a seek's target are not rendered: the scenes listed are
// the one the seek lands in and those after it.
void FrameRecorder::frameSought(long) {
    scenes.clear();
    landing = true;
    if (progress) showProgress();
}

bool FrameRecorder::writesRange() const {
    return !options.pngDir.empty() || !options.wavPath.empty() || !options.videoPath.empty();
}

// Files are opened at the first frame they take, so a range the show never
// reaches leaves no empty file behind.
void FrameRecorder::openRangeOutputs() {
    rangeOpened = true;
    if (!options.wavPath.empty()) wav = std::make_unique<WavWriter>(options.wavPath, kSampleRate);
    if (!options.pngDir.empty()) {
        // Two threads halve zlib's share of the time; every file's bytes depend on its frame alone.
        // Placed frames filter rows by the pixel to the left or above: zlib then meets runs of
        // zeros, and at 4 times takes half the time of unfiltered rows, in files an eighth the size.
        const RowFilters filters = scaler ? RowFilters::LeftAndAbove : RowFilters::None;
        pngFrames = std::make_unique<FrameQueue>(
            static_cast<size_t>(placement.width) * placement.height, 2, 4,
            [directory = options.pngDir, width = placement.width, height = placement.height, filters](
                long index, const uint32_t* pixels) {
                char name[32];
                std::snprintf(name, sizeof name, "/frame%06ld.png", index);
                writePng(directory + name, pixels, width, height, false, PngCompression(1, filters, true));
            });
    }
    if (!options.videoPath.empty()) {
        video = std::make_unique<VideoEncoder>(
            options.videoPath, VideoFormat{options.fps, kSampleRate, kWidth, kHeight, placement, options.quality});
    }
}

void FrameRecorder::writeStill(const uint32_t* pixels) {
    if (!scaler) return writePng(options.stillPath, pixels, kWidth, kHeight);
    std::vector<uint32_t> placed(static_cast<size_t>(placement.width) * placement.height);
    scaler->place(pixels, placed.data());
    writePng(options.stillPath, placed.data(), placement.width, placement.height);
}

void FrameRecorder::frameRendered(DynamicSurface& frame, const FrameInfo& info, const int16_t* sound,
                                  size_t soundFrames) {
    long index = frameCount();
    double time = showTime();
    bool wanted = writesRange() && time >= options.from && time < options.to;
    if (wanted && !rangeOpened) openRangeOutputs();
    if (landing) scenes.push_back({info.scene, index, 0, true});
    landing = false;
    const uint32_t* pixels = static_cast<const uint32_t*>(frame.lock());

    if (wanted && pngFrames) {
        // The renderer places the frame straight into the queue's buffer; the workers only compress.
        if (scaler)
            pngFrames->push(index, [this, pixels](uint32_t* placed) { scaler->place(pixels, placed); });
        else
            pngFrames->push(index, pixels);
    }
    if (!stillWritten && options.stillTime >= 0 && index == std::lround(options.stillTime * options.fps)) {
        writeStill(pixels);
        stillWritten = true;
    }
    if (wanted && video) {
        video->writeSound(sound, soundFrames);
        video->writeFrame(pixels);
    }
    frame.unlock();

    if (wanted && wav) wav->write(sound, soundFrames);
    if (progress && (index + 1) % 30 == 0) showProgress();
}

// Once everything asked for is written, the rest of the show is not rendered;
// with no output at all it runs to its end, for timing.
bool FrameRecorder::wantsMoreFrames() {
    bool writesStill = options.stillTime >= 0;
    bool more = (!writesRange() && !writesStill) || (writesRange() && showTime() < options.to) ||
                (writesStill && !stillWritten);
    stoppedEarly = !more;
    return more;
}

// The bar's line is always ended, and each update rewrites the line above, so
// anything else printed (an error above all) starts on a line of its own.
void FrameRecorder::showProgress() {
    static const char* const kFull = "========================================";
    double time = showTime();
    int filled = static_cast<int>(std::fmin(1.0, time / kSongSeconds) * 40);
    std::fprintf(stderr, "%s[%-40.*s] %6.1f s  frame %ld\n", barDrawn ? "\033[A\r" : "", filled, kFull, time,
                 frameCount());
    std::fflush(stderr);
    barDrawn = true;
}

void FrameRecorder::finish() {
    if (pngFrames) pngFrames->finish();
    if (wav) wav->close();
    if (video) video->finish();
    // Having run to its own end, the show's length is the time shown.
    const double length = showTime();
    const double lastFrame = static_cast<double>(frameCount() - 1) / options.fps;
    std::string pastTheEnd;
    if (!stoppedEarly && options.from > 0 && options.from > lastFrame) {
        pastTheEnd =
            "--from " + secondsText(options.from) + " is past the end of the show (" + secondsText(length) + ")";
    } else if (options.stillTime >= 0 && !stillWritten) {
        pastTheEnd =
            "--still " + secondsText(options.stillTime) + " is past the end of the show (" + secondsText(length) + ")";
    } else if (writesRange() && !rangeOpened) {
        pastTheEnd = "no frame at " + std::to_string(options.fps) + " fps falls between --from " +
                     secondsText(options.from) + " and --to " + secondsText(options.to);
    }
    if (!pastTheEnd.empty()) {
        removeEmptyDirectories(madeDirectories);
        throw PastTheEnd(pastTheEnd);
    }
}

void FrameRecorder::printSummary() const {
    std::fprintf(stderr, "loading: %.0f ms\n", loadingSeconds * 1000);
    for (const SceneStart& scene : scenes) {
        const double seconds = static_cast<double>(scene.frame) / options.fps;
        if (scene.sought) {
            std::fprintf(stderr, "scene %d: frame %ld, %.3f s, sought\n", scene.scene, scene.frame, seconds);
        } else {
            std::fprintf(stderr, "scene %d: frame %ld, %.3f s, order %d\n", scene.scene, scene.frame, seconds,
                         scene.order);
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    double shown = showTime();
    std::fprintf(stderr, "%ld frames, %.2f s of show in %.2f s: %.1f x real time\n", frameCount(), shown, wall,
                 wall > 0 ? shown / wall : 0.0);
}
