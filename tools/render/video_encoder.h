// Turns frames and sound into a video file through ffmpeg: FFV1 in .mkv for a
// lossless copy, H.264 with AAC in .mp4 (any other name gets the same as .mp4).
// Frames are piped into a lossless intermediate while the sound gathers in a
// raw file beside it; finish() joins them, upscaling by nearest pixel.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class VideoEncoder {
public:
    VideoEncoder(const std::string& path, int fps, int scale, int sampleRate, int width, int height);
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    ~VideoEncoder();

    void writeFrame(const uint32_t* pixels);
    void writeSound(const int16_t* samples, size_t frames);
    // Throws std::runtime_error when ffmpeg fails.
    void finish();

    static bool available();

private:
    std::string path;
    int fps;
    int scale;
    int sampleRate;
    int width;
    int height;
    std::string workDir;
    FILE* videoPipe = nullptr;
    FILE* soundFile = nullptr;
};
