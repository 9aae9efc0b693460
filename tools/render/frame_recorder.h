// Watches the show's frames as the offline renderer runs it: mixes exactly one
// frame's worth of sound after each frame, and sends frames and sound to the
// chosen outputs.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/offline_show.h"
#include "video_encoder.h"
#include "wav_writer.h"

struct RenderOptions {
    int fps = 60;
    double from = 0;
    double to = 1e9;
    std::string pngDir;
    std::string wavPath;
    std::string videoPath;
    int scale = 1;
    double stillTime = -1;
    std::string stillPath;
    std::string dataDir = ".";
    bool progress = true;
};

struct SceneStart {
    int scene;
    long frame;
    int order;
};

class FrameRecorder : public OfflineShow {
public:
    explicit FrameRecorder(const RenderOptions& options);

    void sceneStarted(int scene, int order) override;
    bool wantsMoreFrames() override;
    void assetsLoaded(double seconds) override { loadingSeconds = seconds; }

    // Completes the files; throws std::runtime_error on failure.
    void finish();
    // One line per scene, the frame count and the speed, on standard error.
    void printSummary() const;

private:
    void frameRendered(DynamicSurface& frame, const FrameInfo& info, const int16_t* sound,
                       size_t soundFrames) override;
    void showProgress();

    RenderOptions options;
    std::unique_ptr<WavWriter> wav;
    std::unique_ptr<VideoEncoder> video;
    std::vector<SceneStart> scenes;
    bool stillWritten = false;
    double loadingSeconds = 0;
    std::chrono::steady_clock::time_point started;
};
