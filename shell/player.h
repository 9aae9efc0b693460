// The player: the commands that move through the show (pause, resume, seek,
// step, scene jumps) and the state they change (paused, the bar's deadline,
// whether the output held the song), apart from the scene script it drives.
// Keys, the page and the desktop's media controls all come in as the same
// commands (shell/player_commands.h): the window's keys through
// commandForKey, the others posted from any thread and taken between frames.
// Everything here runs on the show's thread.
#pragma once

#include <cstdint>

#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicTimer.h"
#include "shell/player_commands.h"
#include "shell/sync.h"
#include "shell/timeline.h"

class Player {
public:
    Player(Timeline& script, DynamicConsole& console, DynamicTimer& timer, SongPosition& song,
           ShowObserver* observer = nullptr);

    // The frame rate seeks replay the show at: the offline show's own, 60 (the
    // default) in real time.
    void setReplayRate(int fps) { replayFps = fps; }
    // Where run() starts: a show time in seconds when not negative, else the
    // start of `scene` (1 to 8; 0 for the show's start).
    void startAt(double seconds, int scene) {
        startSeconds = seconds;
        startScene = scene;
    }

    // Show start, then scenes 1 to 8; returns at the last row of the script,
    // once the song has been heard to its end, or on a Stop.
    void run();

    // The commands. Each takes effect at once; a seek while paused shows the
    // new moment's frame and stays paused.
    void perform(const PlayerCommand& command);
    void pause();
    void resume();
    void togglePause();
    // The show as after `frame` frames of the replay rate from its start, the
    // song put there. False, changing nothing, for a song that cannot seek.
    bool seekToFrame(int64_t frame);
    void seekTo(double seconds);
    void seekBy(double seconds);
    void goToScene(int scene);
    void nextScene();
    void previousScene();
    // While paused: the next frame drawn and shown, the song put after it.
    void step();
    void stop() { stopped_ = true; }
    // The volume by `change` (the keys' 5 % steps) or to `volume`, 0 to 1;
    // either unmutes. An output without a volume changes nothing.
    void changeVolume(double change);
    void setVolume(double volume);
    void toggleMute();

    bool paused() const { return paused_; }
    // The first frame of a scene at the replay rate; -1 when the song cannot seek.
    int64_t sceneStartFrame(int scene);

private:
    void playFrame();
    void holdFrame();
    // The window's keys and the posted commands, in turn.
    void takeCommands();
    void showBar();

    Timeline& script;
    DynamicConsole& console;
    DynamicTimer& timer;
    SongPosition& song;
    ShowObserver* observer;

    int replayFps = 60;
    double startSeconds = -1;
    int startScene = 0;
    bool paused_ = false;
    bool soundHeld = false;  // the output paused the song itself
    bool stopped_ = false;
    int64_t barUntil = 0;     // steady nanoseconds the bar shows until
    int64_t volumeUntil = 0;  // and names the volume until
    unsigned long seeks = 0;
};
