// Turns frames and sound into a video file through one ffmpeg process: FFV1
// with FLAC in .mkv for a lossless copy, H.264 with AAC in .mp4 (any other
// name gets the same as .mp4). Frames go down ffmpeg's standard input and the
// sound down a second pipe, so nothing is encoded twice; the file appears
// under its name only once ffmpeg has completed it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "frame_queue.h"
#include "render_options.h"
#include "video_placement.h"

struct VideoFormat {
    int fps;
    int sampleRate;
    int width;  // of the frames given
    int height;
    VideoPlacement placement;
    VideoQuality quality;
};

class VideoEncoder {
public:
    // Starts ffmpeg; throws std::runtime_error when it cannot be started.
    VideoEncoder(const std::string& path, const VideoFormat& format);
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    // Without finish(), stops ffmpeg and leaves no file behind.
    ~VideoEncoder();

    // Both throw std::runtime_error when ffmpeg has stopped taking them.
    // Frames queue up while ffmpeg opens its inputs one by one, asking for
    // about a third of a second of sound before it takes the first frame.
    void writeFrame(const uint32_t* pixels);
    void writeSound(const int16_t* samples, size_t frames);
    // Throws std::runtime_error when ffmpeg fails.
    void finish();

    static bool available();

private:
    void closePipes();
    // Removes the unfinished file; an interruption no longer looks for it.
    void discardPartial();

    std::string path;
    std::string partialPath;
    pid_t ffmpeg = -1;
    int framePipe = -1;
    int soundPipe = -1;
    std::unique_ptr<FrameQueue> frames;  // fed to ffmpeg on a thread of their own
};
