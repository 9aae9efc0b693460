// The show from sound start to shutdown: the one sequence that the real-time
// program, the offline renderer and the tests all run.
#pragma once

#include "shell/launch_choices.h"

class ShowObserver;
class SongPosition;

struct ShowConfig {
    // The window and the sound as the launcher chose them.
    LaunchChoices choices;
    // No display: frames go to an offscreen console that can be read back.
    bool offscreen = false;
    // When positive, every frame lasts exactly this many seconds.
    double fixedFrameTime = 0;
    ShowObserver* observer = nullptr;
    // Replaces the playing module's position (tests script the song with it).
    SongPosition* songPosition = nullptr;
};

// Opens the sound with the chosen output, device, mixer and rate, loads the module, opens the console, loads
// everything, plays the scenes and shuts down in order. An error is reported with its message; the result is false when
// that happened.
bool runShow(const ShowConfig& config);
