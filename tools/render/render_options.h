// The renderer's command line: what to write, from which stretch of the show.
#pragma once

#include <limits>
#include <string>

struct RenderOptions {
    int fps = 60;
    double from = 0;
    double to = std::numeric_limits<double>::infinity();
    std::string pngDir;
    std::string wavPath;
    std::string videoPath;
    int scale = 1;
    double stillTime = -1;
    std::string stillPath;
    std::string dataDir;  // "" searches as the show does
    bool progress = true;
    bool help = false;
};

// Reads the options into `options`; returns "" when they are usable, else one
// line saying what is wrong with them. Stops at --help.
std::string parseRenderOptions(int argc, char** argv, RenderOptions& options);
