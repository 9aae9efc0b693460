// The renderer's command line: what to write, from which stretch of the show.
#pragma once

#include <limits>
#include <string>

// What an H.264 video is made for: quick to write and post, or kept sharper at
// several times the encoding time. Lossless video ignores it.
enum class VideoQuality { Share, Archive };

struct RenderOptions {
    int fps = 60;
    double from = 0;
    double to = std::numeric_limits<double>::infinity();
    std::string pngDir;
    std::string wavPath;
    std::string videoPath;
    int scale = 1;
    // The whole video frame when --size is given; 0 follows --scale.
    int videoWidth = 0;
    int videoHeight = 0;
    VideoQuality quality = VideoQuality::Share;
    double stillTime = -1;
    std::string stillPath;
    std::string dataDir;  // "" searches as the show does
    bool quiet = false;   // nothing on standard error but errors
    bool help = false;
};

// Reads the options into `options`; returns "" when they are usable, else one
// line saying what is wrong with them. Stops at --help.
std::string parseRenderOptions(int argc, char** argv, RenderOptions& options);
