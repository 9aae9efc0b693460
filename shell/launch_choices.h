// What the launcher leaves for the show, from the "Configuration" dialog or
// the command line: full screen or a window, and how the sound is opened.
#pragma once

#include "platform/sound/fmod.h"

struct LaunchChoices {
    bool fullscreen = true;
    int output = FSOUND_OUTPUT_DSOUND;    // an FSOUND_OUTPUT_* type
    int driver = 0;                       // a device of that output, by its index
    int mixer = FSOUND_MIXER_AUTODETECT;  // an FSOUND_MIXER_* type
    int mixRate = 44100;                  // Hz
    // Where the show starts: a show time in seconds (negative: the start), or
    // else the start of a scene, 1 to 8 (0: none).
    double startSeconds = -1;
    int startScene = 0;

    bool operator==(const LaunchChoices& other) const {
        return fullscreen == other.fullscreen && output == other.output && driver == other.driver &&
               mixer == other.mixer && mixRate == other.mixRate && startSeconds == other.startSeconds &&
               startScene == other.startScene;
    }
    bool operator!=(const LaunchChoices& other) const { return !(*this == other); }
};

// The outputs and mixing rates one can choose, in the order the dialog lists
// them and the command line numbers them. The mixers' numbers are their
// FSOUND_MIXER_* types.
inline constexpr int kLaunchOutputs[] = {FSOUND_OUTPUT_DSOUND, FSOUND_OUTPUT_WINMM, FSOUND_OUTPUT_NOSOUND};
inline constexpr int kLaunchRates[] = {44100, 22050, 11025, 8000};
