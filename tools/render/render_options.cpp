#include "render_options.h"

#include <getopt.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "seconds_text.h"

namespace {

enum { kFps = 1, kFrom, kTo, kPng, kWav, kVideo, kScale, kSize, kQuality, kStill, kData, kQuiet, kHelp };

const option kLongOptions[] = {
    {"fps", required_argument, nullptr, kFps},
    {"from", required_argument, nullptr, kFrom},
    {"to", required_argument, nullptr, kTo},
    {"png", required_argument, nullptr, kPng},
    {"wav", required_argument, nullptr, kWav},
    {"video", required_argument, nullptr, kVideo},
    {"scale", required_argument, nullptr, kScale},
    {"size", required_argument, nullptr, kSize},
    {"quality", required_argument, nullptr, kQuality},
    {"still", required_argument, nullptr, kStill},
    {"data", required_argument, nullptr, kData},
    {"quiet", no_argument, nullptr, kQuiet},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

std::string nameOf(int choice) {
    for (const option& known : kLongOptions) {
        if (known.name && known.val == choice) return std::string("--") + known.name;
    }
    return "";
}

constexpr int kLargestSide = 8192;

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value >= 0;
}

bool parseWhole(const char* text, int low, int high, int& value) {
    double number;
    if (!parseNumber(text, number) || number < low || number > high || number != std::floor(number)) return false;
    value = static_cast<int>(number);
    return true;
}

// "1920x1080": even sizes, as H.264's colour planes are half the size each way.
bool parseSize(const char* text, int& width, int& height) {
    const char* cross = std::strchr(text, 'x');
    if (!cross) return false;
    const std::string across(text, cross);
    return parseWhole(across.c_str(), 2, kLargestSide, width) && parseWhole(cross + 1, 2, kLargestSide, height) &&
           width % 2 == 0 && height % 2 == 0;
}

std::string badValue(int choice, const char* text, const std::string& wanted) {
    return nameOf(choice) + " " + text + ": " + wanted;
}

}  // namespace

std::string parseRenderOptions(int argc, char** argv, RenderOptions& options) {
    // Messages are ours: getopt stays silent, reports a missing value as ':'
    // and stops at the first argument that is not an option.
    opterr = 0;
    optind = 1;
    bool toGiven = false;
    bool scaleGiven = false;
    int choice;
    while ((choice = getopt_long(argc, argv, "+:", kLongOptions, nullptr)) != -1) {
        switch (choice) {
            case kFps:
                if (!parseWhole(optarg, 1, 1000, options.fps))
                    return badValue(choice, optarg, "the frame rate is a whole number from 1 to 1000");
                break;
            case kFrom:
                if (!parseNumber(optarg, options.from))
                    return badValue(choice, optarg, "the time is a number of seconds, 0 or more");
                break;
            case kTo:
                if (!parseNumber(optarg, options.to))
                    return badValue(choice, optarg, "the time is a number of seconds, 0 or more");
                toGiven = true;
                break;
            case kPng:
                options.pngDir = optarg;
                break;
            case kWav:
                options.wavPath = optarg;
                break;
            case kVideo:
                options.videoPath = optarg;
                break;
            case kScale:
                if (!parseWhole(optarg, 1, 16, options.scale))
                    return badValue(choice, optarg, "the scale is a whole number from 1 to 16");
                scaleGiven = true;
                break;
            case kSize:
                if (!parseSize(optarg, options.videoWidth, options.videoHeight))
                    return badValue(choice, optarg,
                                    "the size is WIDTHxHEIGHT in even numbers of pixels up to " +
                                        std::to_string(kLargestSide) + ", such as 1920x1080");
                break;
            case kQuality:
                if (std::strcmp(optarg, "share") == 0)
                    options.quality = VideoQuality::Share;
                else if (std::strcmp(optarg, "archive") == 0)
                    options.quality = VideoQuality::Archive;
                else
                    return badValue(choice, optarg, "the quality is share or archive");
                break;
            case kStill:
                if (!parseNumber(optarg, options.stillTime))
                    return badValue(choice, optarg, "the time is a number of seconds, 0 or more");
                if (optind >= argc) return "--still needs a time and a file name";
                options.stillPath = argv[optind++];
                break;
            case kData:
                options.dataDir = optarg;
                break;
            case kQuiet:
                options.quiet = true;
                break;
            case kHelp:
                options.help = true;
                return "";
            case ':':
                return nameOf(optopt) + " needs a value";
            default:
                if (!nameOf(optopt).empty()) return nameOf(optopt) + " takes no value";
                if (optopt) return std::string("unknown option -") + static_cast<char>(optopt);
                return std::string("unknown option ") + argv[optind - 1];
        }
    }
    if (optind < argc) return std::string("unexpected argument ") + argv[optind];
    if (scaleGiven && options.videoWidth > 0) return "--scale and --size cannot be used together";
    if (toGiven && options.from >= options.to)
        return "--from " + secondsText(options.from) + " is not before --to " + secondsText(options.to);
    return "";
}
