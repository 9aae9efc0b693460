#include "video_encoder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "output_files.h"

namespace {

std::string shellQuoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += "'\\''";
        else
            result += c;
    }
    return result + "'";
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

bool VideoEncoder::available() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

VideoEncoder::VideoEncoder(const std::string& path, int fps, int scale, int sampleRate, int width, int height)
    : path(path), fps(fps), scale(scale), sampleRate(sampleRate), width(width), height(height) {
    char pattern[] = "/tmp/peekstun-video-XXXXXX";
    if (!mkdtemp(pattern)) throw fileError("cannot create a working directory for the video in", "/tmp", errno);
    workDir = pattern;
    soundFile = std::fopen((workDir + "/sound.raw").c_str(), "wb");
    std::string command = "ffmpeg -nostdin -loglevel error -y -f rawvideo -pix_fmt bgr0 -s " + std::to_string(width) +
                          "x" + std::to_string(height) + " -r " + std::to_string(fps) + " -i - -c:v ffv1 " +
                          shellQuoted(workDir + "/frames.mkv");
    videoPipe = popen(command.c_str(), "w");
    if (!soundFile || !videoPipe) throw std::runtime_error("cannot start ffmpeg");
}

VideoEncoder::~VideoEncoder() {
    if (videoPipe) pclose(videoPipe);
    if (soundFile) std::fclose(soundFile);
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
}

void VideoEncoder::writeFrame(const uint32_t* pixels) {
    size_t count = static_cast<size_t>(width) * height;
    if (std::fwrite(pixels, 4, count, videoPipe) != count) throw std::runtime_error("ffmpeg stopped taking frames");
}

void VideoEncoder::writeSound(const int16_t* samples, size_t frames) {
    if (std::fwrite(samples, 4, frames, soundFile) != frames) throw std::runtime_error("cannot keep the sound");
}

void VideoEncoder::finish() {
    int framesResult = pclose(videoPipe);
    videoPipe = nullptr;
    bool soundFailed = std::fclose(soundFile) != 0;
    soundFile = nullptr;
    if (framesResult != 0 || soundFailed) throw std::runtime_error("ffmpeg could not encode the frames");

    std::string codecs = endsWith(path, ".mkv") ? "-c:v ffv1 -c:a flac"
                                                : "-c:v libx264 -preset medium -crf 16 -pix_fmt yuv420p -c:a aac "
                                                  "-b:a 256k -movflags +faststart";
    std::string filter =
        scale > 1 ? " -vf scale=iw*" + std::to_string(scale) + ":ih*" + std::to_string(scale) + ":flags=neighbor" : "";
    std::string command = "ffmpeg -nostdin -loglevel error -y -i " + shellQuoted(workDir + "/frames.mkv") +
                          " -f s16le -ar " + std::to_string(sampleRate) + " -ac 2 -i " +
                          shellQuoted(workDir + "/sound.raw") + filter + " " + codecs + " -shortest " +
                          shellQuoted(path);
    if (std::system(command.c_str()) != 0) throw std::runtime_error("ffmpeg could not write " + path);
}
