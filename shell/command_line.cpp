#include "shell/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <iterator>

const char* const commandLineHelp =
    "usage: peekstun [options]\n"
    "Plays the show after the \"Configuration\" dialog; the options choose what the\n"
    "dialog opens with, or, with --no-dialog, start the show with them at once.\n"
    "  --fullscreen        full screen (the default)\n"
    "  --window            in a window\n"
    "  --no-sound          no sound device; the song still keeps the show's time\n"
    "  --output N          sound output: 0 Direct Sound (the system's default audio),\n"
    "                      1 Windows Multimedia WaveOut (plain ALSA), 2 No sound\n"
    "  --mixer N           0 Autodetect, 1 linear, 2 cubic, 3 8-tap sinc interpolation\n"
    "  --rate HZ           mixing rate: 44100 (default), 22050, 11025 or 8000\n"
    "  --at SEC            start the show at SEC seconds (or M:SS, as 2:47.5)\n"
    "  --scene N           start the show at the start of scene N, 1 to 8\n"
    "  --no-dialog         start the show without the dialog\n"
    "  --help              show this text\n"
    "  --version           show the version\n"
    "Keys: Escape ends the show, Alt+Enter switches between full screen and a window,\n"
    "Space pauses and resumes, Left and Right go 5 s back and on, Page Up and Page Down\n"
    "go to the previous and next scene, Home restarts, 1 to 8 go to that scene, and\n"
    "while paused . shows the next frame.\n"
    "The data is read from data/ in the working directory, else from $PEEKSTUN_DATA/data,\n"
    "the installed share/peekstun/data, or peekstun/data in each of $XDG_DATA_DIRS.\n";

namespace {

// A whole decimal number within [lowest, highest].
bool parseWhole(const char* text, long lowest, long highest, long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && value >= lowest && value <= highest;
}

std::string quotedOption(const char* name, const char* value) { return std::string("--") + name + " " + value; }

// Seconds as a decimal number, or minutes and seconds as M:SS(.s); not
// negative, and finite.
bool parseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    double minutes = 0;
    const char* colon = std::strchr(text, ':');
    if (colon) {
        long whole;
        std::string head(text, colon);
        if (!parseWhole(head.c_str(), 0, 1000000, whole)) return false;
        minutes = static_cast<double>(whole);
        text = colon + 1;
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    }
    if (!std::isdigit(static_cast<unsigned char>(*text)) && *text != '.') return false;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0) return false;
    if (colon && value >= 60) return false;
    seconds = minutes * 60 + value;
    return true;
}

}  // namespace

std::string parseCommandLine(int argc, char** argv, CommandLine& line, LaunchChoices& choices) {
    enum { kFullscreen = 1, kWindow, kNoSound, kOutput, kMixer, kRate, kAt, kScene, kNoDialog, kHelp, kVersion };
    const option longOptions[] = {
        {"fullscreen", no_argument, nullptr, kFullscreen}, {"window", no_argument, nullptr, kWindow},
        {"no-sound", no_argument, nullptr, kNoSound},      {"output", required_argument, nullptr, kOutput},
        {"mixer", required_argument, nullptr, kMixer},     {"rate", required_argument, nullptr, kRate},
        {"at", required_argument, nullptr, kAt},           {"scene", required_argument, nullptr, kScene},
        {"no-dialog", no_argument, nullptr, kNoDialog},    {"help", no_argument, nullptr, kHelp},
        {"version", no_argument, nullptr, kVersion},       {nullptr, 0, nullptr, 0},
    };

    opterr = 0;  // the messages are ours
    optind = 0;  // from the start, however often it is called
    int choice;
    long number;
    while ((choice = getopt_long(argc, argv, ":", longOptions, nullptr)) != -1) {
        switch (choice) {
            case kFullscreen:
                choices.fullscreen = true;
                break;
            case kWindow:
                choices.fullscreen = false;
                break;
            case kNoSound:
                choices.output = FSOUND_OUTPUT_NOSOUND;
                break;
            case kOutput:
                if (!parseWhole(optarg, 0, 2, number))
                    return quotedOption("output", optarg) + ": the output is 0, 1 or 2";
                choices.output = kLaunchOutputs[number];
                break;
            case kMixer:
                if (!parseWhole(optarg, 0, 3, number)) return quotedOption("mixer", optarg) + ": the mixer is 0 to 3";
                choices.mixer = static_cast<int>(number);
                break;
            case kRate:
                if (!parseWhole(optarg, 1, 1000000, number) ||
                    std::find(std::begin(kLaunchRates), std::end(kLaunchRates), number) == std::end(kLaunchRates)) {
                    return quotedOption("rate", optarg) + ": the rate is 44100, 22050, 11025 or 8000";
                }
                choices.mixRate = static_cast<int>(number);
                break;
            case kAt: {
                double seconds = 0;
                if (!parseSeconds(optarg, seconds)) {
                    return quotedOption("at", optarg) + ": the moment is seconds (167.5) or minutes and seconds (2:47.5)";
                }
                choices.startSeconds = seconds;
                choices.startScene = 0;
                break;
            }
            case kScene:
                if (!parseWhole(optarg, 1, 8, number)) return quotedOption("scene", optarg) + ": the scene is 1 to 8";
                choices.startScene = static_cast<int>(number);
                choices.startSeconds = -1;
                break;
            case kNoDialog:
                line.noDialog = true;
                break;
            case kHelp:
                line.help = true;
                break;
            case kVersion:
                line.version = true;
                break;
            case ':':
                return std::string(argv[optind - 1]) + " needs a value";
            default:
                return std::string("unknown option ") + argv[optind - 1];
        }
    }
    if (optind < argc) return std::string("unexpected argument ") + argv[optind];
    return "";
}
