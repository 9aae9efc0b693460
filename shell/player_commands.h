// The player's commands, and the queue by which controls outside the show's
// frame loop hand them in: the page's scrubber and taps, the desktop's media
// controls. Keys map onto the same commands (shell/player_keys.h).
#pragma once

#include <optional>

struct PlayerCommand {
    enum class Kind {
        TogglePause,
        Pause,
        Resume,
        SeekTo,         // to `seconds` of show time; past the end ends the show
        SeekBy,         // `seconds` on (back when negative)
        Step,           // while paused: one frame on
        GoToScene,      // the start of `scene`, 1 to 8
        NextScene,      // the next scene's start
        PreviousScene,  // this scene's start, or the one before within its first second
        Stop,           // ends the show, as Escape does
        ChangeVolume,   // by `volume` (-1 to 1); unmutes
        SetVolume,      // to `volume`, 0 to 1; unmutes
        ToggleMute,
        Raise,  // brings the show's window forward
    };
    Kind kind = Kind::TogglePause;
    double seconds = 0;
    int scene = 0;
    double volume = 0;
};

// Safe from any thread; the playing show carries the commands out between
// frames, in the order posted. Commands posted while no show plays wait for
// the next one (the page drops them before a show starts).
void postPlayerCommand(const PlayerCommand& command);
// The oldest command not yet taken, if any.
std::optional<PlayerCommand> takePlayerCommand();

// What the playing show last published, for controls on other threads that
// report the player's state (the desktop's media controls): written by the
// show after each frame, read safely from any thread.
struct PlayerStatus {
    bool playing = false;  // a show is on (paused or not)
    bool paused = false;
    double seconds = 0;       // the show time of the frame on screen
    double totalSeconds = 0;  // the show's length; 0 while unknown
    int scene = 0;            // 1 to 8; 0 while no show plays
    // Counts the seeks since the program started, so that a watcher can tell
    // a jump from the show playing on.
    unsigned long seeks = 0;
    double volume = -1;  // 0 to 1 (more when the desktop raised it); -1: the output has none
    bool muted = false;
};

void publishPlayerStatus(const PlayerStatus& status);
PlayerStatus latestPlayerStatus();
