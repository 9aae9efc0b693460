// peekstun-render: runs the show's timeline offline at a fixed frame rate and
// writes its frames and sound. The show always runs from its start, so every
// clock and random draw is the same as in a real-time run.
#include <getopt.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "frame_recorder.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: peekstun-render [options]\n"
                 "  --fps N             frames per second (default 60)\n"
                 "  --from SEC          first second to write (default 0)\n"
                 "  --to SEC            second to stop writing at (default: the end)\n"
                 "  --png DIR           write numbered PNG frames into DIR\n"
                 "  --wav FILE          write the sound as a WAV file\n"
                 "  --video FILE        write a video through ffmpeg (.mkv lossless, .mp4 H.264/AAC)\n"
                 "  --scale N           upscale the video by N, nearest pixel (default 1)\n"
                 "  --still SEC FILE    write the frame shown at SEC as a PNG file\n"
                 "  --data DIR          the directory holding data/ (default: the working directory)\n"
                 "  --quiet             no progress bar\n");
}

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0;
}

bool parseOptions(int argc, char** argv, RenderOptions& options) {
    enum { kFps = 1, kFrom, kTo, kPng, kWav, kVideo, kScale, kStill, kData, kQuiet, kHelp };
    const option longOptions[] = {
        {"fps", required_argument, nullptr, kFps},     {"from", required_argument, nullptr, kFrom},
        {"to", required_argument, nullptr, kTo},       {"png", required_argument, nullptr, kPng},
        {"wav", required_argument, nullptr, kWav},     {"video", required_argument, nullptr, kVideo},
        {"scale", required_argument, nullptr, kScale}, {"still", required_argument, nullptr, kStill},
        {"data", required_argument, nullptr, kData},   {"quiet", no_argument, nullptr, kQuiet},
        {"help", no_argument, nullptr, kHelp},         {nullptr, 0, nullptr, 0},
    };
    int choice;
    double number;
    while ((choice = getopt_long(argc, argv, "", longOptions, nullptr)) != -1) {
        switch (choice) {
            case kFps:
                if (!parseNumber(optarg, number) || number < 1 || number > 1000 || number != static_cast<int>(number))
                    return false;
                options.fps = static_cast<int>(number);
                break;
            case kFrom:
                if (!parseNumber(optarg, options.from)) return false;
                break;
            case kTo:
                if (!parseNumber(optarg, options.to)) return false;
                break;
            case kPng: options.pngDir = optarg; break;
            case kWav: options.wavPath = optarg; break;
            case kVideo: options.videoPath = optarg; break;
            case kScale:
                if (!parseNumber(optarg, number) || number < 1 || number > 16 || number != static_cast<int>(number))
                    return false;
                options.scale = static_cast<int>(number);
                break;
            case kStill:
                if (optind >= argc || !parseNumber(optarg, options.stillTime)) return false;
                options.stillPath = argv[optind++];
                break;
            case kData: options.dataDir = optarg; break;
            case kQuiet: options.progress = false; break;
            case kHelp: usage(stdout); std::exit(0);
            default: return false;
        }
    }
    return optind == argc && options.from <= options.to;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    if (!parseOptions(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
    if (!options.videoPath.empty() && !VideoEncoder::available()) {
        std::fprintf(stderr, "peekstun-render: --video needs ffmpeg, which is not installed\n");
        return 2;
    }
    // Output paths are taken from where the tool was started, not from the data directory.
    for (std::string* path : {&options.pngDir, &options.wavPath, &options.videoPath, &options.stillPath}) {
        if (!path->empty()) *path = std::filesystem::absolute(*path).string();
    }
    if (chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "peekstun-render: cannot enter %s\n", options.dataDir.c_str());
        return 2;
    }
    try {
        FrameRecorder recorder(options);
        if (!recorder.run()) return 1;
        recorder.finish();
        recorder.printSummary();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-render: %s\n", error.what());
        return 1;
    }
    return 0;
}
