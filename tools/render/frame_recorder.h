// Watches the show's frames as the offline renderer runs it: mixes exactly one
// frame's worth of sound after each frame, and sends frames and sound to the
// chosen outputs.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame_queue.h"
#include "frame_scaler.h"
#include "render_options.h"
#include "shell/offline_show.h"
#include "video_encoder.h"
#include "wav_writer.h"

// A scene's first frame rendered: where it starts, at its first order, or
// where a seek landed in it.
struct SceneStart {
    int scene;
    long frame;
    int order;
    bool sought;
};

// A time asked for on the command line that the show does not reach.
class PastTheEnd : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FrameRecorder : public OfflineShow {
public:
    // Checks every output path and makes the PNG directory; throws
    // std::runtime_error naming the path that cannot be written. The files
    // themselves are created at the first frame they take.
    explicit FrameRecorder(const RenderOptions& options);

    void sceneStarted(int scene, int order) override;
    bool wantsMoreFrames() override;
    void assetsLoaded(double seconds) override { loadingSeconds = seconds; }

    // Completes the files; throws PastTheEnd when --from or --still lies
    // beyond the show (leaving no output behind) and std::runtime_error when
    // a file cannot be completed.
    void finish();
    // One line per scene rendered, the frame count and the speed, on standard error.
    void printSummary() const;

private:
    void frameRendered(DynamicSurface& frame, const FrameInfo& info, const int16_t* sound, size_t soundFrames) override;
    void frameSought(long frame) override;
    bool writesRange() const;
    void openRangeOutputs();
    void showProgress();
    void writeStill(const uint32_t* pixels);

    RenderOptions options;
    // Where the picture sits in every frame written, PNG and video alike.
    VideoPlacement placement;
    std::unique_ptr<FrameScaler> scaler;  // null when frames are written as rendered
    bool progress;
    bool barDrawn = false;
    std::vector<std::string> madeDirectories;
    std::unique_ptr<FrameQueue> pngFrames;
    std::unique_ptr<WavWriter> wav;
    std::unique_ptr<VideoEncoder> video;
    bool rangeOpened = false;
    bool stoppedEarly = false;
    std::vector<SceneStart> scenes;
    bool landing = false;  // a seek went before the next frame
    bool stillWritten = false;
    double loadingSeconds = 0;
    std::chrono::steady_clock::time_point started;
};
