// The scene script: eight scenes played once, in order, in time with the song.
// The real-time show and the offline renderer both run it; only the console,
// the timer and the song behind it differ.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicTimer.h"
#include "shell/assets.h"
#include "shell/sync.h"

constexpr int kSceneCount = 8;

// How fast the show clocks run, per second of the show.
constexpr double kMainClockRate = 1.4;
constexpr double kDotsClockRate = 2.6;
constexpr double kSpriteClockRate = 10.6;  // the rings and the binary band
constexpr double kFadeClockRate = 3.5;     // both fades
constexpr double kTunnelClockRate = 0.4;   // both tunnels
constexpr double kPlasmaRate = 16.5;

// Show clocks, in seconds scaled by each one's rate; all 0 at the show start.
struct ShowClocks {
    float mainClock = 0;
    float fadeAClock = 0;
    float dotsClock = 0;
    float tunnel2DClock = 0;
    float spriteClock = 0;
    float binaryBgClock = 0;
    float fadeBClock = 0;
    float tunnel3DStep = 0;
};

// The horizontal scroll of scenes 3 and 8: whole steps of `step` pixels, one
// for each 0.1 s gathered in the accumulator.
struct ScrollState {
    int32_t scrollX = 0;
    float scrollAccumulator = 0;
    int32_t scrollStep = 18;

    void advance(double d, int step);
};

// What a frame was drawn with: its scene and the state the show kept.
struct FrameInfo {
    int scene;
    const ShowClocks& clocks;
    const ScrollState& scroll;
};

// Told about every frame the show presents, after it reached the console.
class ShowObserver {
public:
    virtual ~ShowObserver() = default;
    virtual void sceneStarted(int scene, int order) {
        (void)scene;
        (void)order;
    }
    virtual void framePresented(DynamicSurface& frame, const FrameInfo& info) {
        (void)frame;
        (void)info;
    }
    // The time from the first picture read to the last effect built.
    virtual void assetsLoaded(double seconds) { (void)seconds; }
    // Asked after each frame: false ends the show as Escape would, with the
    // full shutdown (a renderer that has written all it was asked for).
    virtual bool wantsMoreFrames() { return true; }
    // The show went on from its frame `frame` (frames of the replay rate from
    // its start) after a seek: the next frame presented is that one.
    virtual void showSought(int64_t frame) { (void)frame; }
    // A paused show presented its frame again.
    virtual void frameHeld() {}
    // A seek's replay passed the first frame of `scene`, frame `frame` of the
    // replay rate, without presenting it (sceneStarted tells of those presented).
    virtual void sceneReplayed(int scene, int order, int64_t frame) {
        (void)scene;
        (void)order;
        (void)frame;
    }
};

// Consumes every pending key press; true if one of them was Escape.
bool checkEscape(DynamicConsole& console);

class Timeline {
public:
    Timeline(ShowAssets& assets, DynamicConsole& console, DynamicTimer& timer, SongPosition& song, DynamicArea& srcArea,
             const DynamicArea& dstArea, ShowObserver* observer = nullptr);
    ~Timeline();

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
    // once the song has been heard to its end, or on Escape.
    void run();

    // The pieces run() is made of, for drawing single frames from outside:
    // the step before a scene's first frame (its background picture, clock
    // resets and scroll start), one frame's layers drawn into the frame
    // surface, and the scene's clocks advanced by d seconds.
    void enterScene(int scene);
    void composeScene(int scene);
    void advanceScene(int scene, double d);
    // What composeScene changes, drawing nothing.
    void skipScene(int scene);

    // The order a scene starts at: where the one before it ends.
    static int firstOrder(int scene);

    // Seeking, for the player keys and for starting at a moment. The state at
    // the show's start (before its first frame), kept by the first call and
    // brought back by every later one.
    void resetShow();
    // The show as after `frame` frames of the replay rate from its start:
    // replayed without drawing, the song's position read from its rows as
    // the offline output reports it, then the song put at that frame. False,
    // changing nothing, for a song that cannot seek.
    bool seekToFrame(int64_t frame);
    // The first frame of a scene at the replay rate; -1 when the song cannot seek.
    int64_t sceneStartFrame(int scene);
    int currentScene() const { return scene_; }
    int64_t framesShown() const { return frames_; }
    double showSeconds() const { return seconds_; }
    bool paused() const { return paused_; }

private:
    struct Scene;
    struct Checkpoint;
    static const Scene kScenes[kSceneCount];
    // Throws DynamicError for a scene the script does not have.
    static const Scene& sceneAt(int scene);

    // The scene's frames go on: its order bound, and row 63 in the last one.
    bool sceneGoesOn() const;
    // Enters scenes until one goes on; false after the last scene.
    bool settleScene();
    void playFrame();
    void holdFrame();
    void stepFrame();
    void aimSong(int64_t drawingStarts);

    // The player: keys and the page's requests; true on Escape.
    bool takePlayerInput();
    bool playerKey(int code);
    void togglePause();
    void seekToSeconds(double seconds);
    void seekToScene(int scene);
    // Shows the picture at the current moment while paused, leaving the
    // state as it was.
    void peekFrame();
    void showBar();
    Checkpoint checkpoint() const;
    void restore(const Checkpoint& saved);
    void skipTitleWord();

    void beatPulse();
    void drawTitleWord();
    void drawClockDisplay(const show::Picture (&characters)[8], const int (&x)[8]);
    void drawRings();

    ShowAssets& assets;
    DynamicConsole& console;
    DynamicTimer& timer;
    SongPosition& song;
    DynamicArea& srcArea;
    const DynamicArea& dstArea;
    ShowObserver* observer;

    ShowClocks clocks_;
    ScrollState scroll_;
    int32_t order_ = 0;
    int32_t row_ = 0;
    int32_t quit_ = 0;
    int64_t drawingTime = 0;  // nanoseconds from the start of drawing a frame to its present's call

    int scene_ = 1;
    bool first_ = true;      // the scene's first frame is next
    int64_t frames_ = 0;     // frames since the show's start (replay frames after a seek)
    double seconds_ = 0;     // the show time of the next frame
    int replayFps = 60;
    double startSeconds = -1;
    int startScene = 0;
    bool paused_ = false;
    bool soundPaused = false;  // the output paused the song itself
    int64_t barUntil = 0;      // steady nanoseconds the bar shows until
    std::unique_ptr<Checkpoint> showStart;
};
