// The scene script: eight scenes played once, in order, in time with the song.
// The real-time show and the offline renderer both run it; only the console,
// the timer and the song behind it differ.
#pragma once

#include <cstdint>

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
};

// Consumes every pending key press; true if one of them was Escape.
bool checkEscape(DynamicConsole& console);

class Timeline {
public:
    Timeline(ShowAssets& assets, DynamicConsole& console, DynamicTimer& timer, SongPosition& song, DynamicArea& srcArea,
             const DynamicArea& dstArea, ShowObserver* observer = nullptr);

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

    // The order a scene starts at: where the one before it ends.
    static int firstOrder(int scene);

private:
    struct Scene;
    static const Scene kScenes[kSceneCount];
    // Throws DynamicError for a scene the script does not have.
    static const Scene& sceneAt(int scene);

    void runScene(int scene, uint32_t bound);
    void aimSong(int64_t drawingStarts);

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
};
