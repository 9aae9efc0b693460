// The scene script: eight scenes played once, in order, in time with the song.
// The real-time show and the offline renderer both run it; only the console,
// the timer and the song behind it differ.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

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

class Timeline;

// One layer of a scene: what is drawn, with which clock, where. `run` draws
// onto `frame`, or, given none, moves only what drawing would move (the
// shared generator, the effect's own state): a frame replayed.
struct Layer {
    const char* name;
    void (*run)(Timeline& t, DynamicSurface* frame);
};

// The scene script: the scenes, their clocks and the scroll, played frame by
// frame, replayed without drawing, or drawn one frame at a time. It knows
// nothing of keys or pausing: the Player (shell/player.h) drives it.
class Timeline {
public:
    Timeline(ShowAssets& assets, DynamicConsole& console, DynamicTimer& timer, SongPosition& song, DynamicArea& srcArea,
             const DynamicArea& dstArea, ShowObserver* observer = nullptr);
    ~Timeline();

    // The pieces a frame is made of, for drawing single frames from outside:
    // the step before a scene's first frame (its background picture, clock
    // resets and scroll start), one frame's layers drawn into the frame
    // surface (those switched off replayed), the same layers all replayed,
    // and the scene's clocks advanced by d seconds.
    void enterScene(int scene);
    void composeScene(int scene);
    void replayScene(int scene);
    void advanceScene(int scene, double d);

    // The order a scene starts at: where the one before it ends.
    static int firstOrder(int scene);
    // A scene's layers, first drawn first.
    static const std::vector<Layer>& layers(int scene);
    // A layer switched off is not drawn but still replayed, so that switching
    // it back on shows the very frame it would have. With one off, the frame
    // is cleared before the scene's layers are drawn.
    void showLayer(int scene, int layer, bool shown);
    bool layerShown(int scene, int layer) const;

    // A black frame, before the song starts.
    void presentBlack();
    // The state at the show's start (before its first frame), kept by the
    // first call and brought back by every later one.
    void resetShow();
    // Enters scenes until one goes on; false after the last scene.
    bool settleScene();
    // One frame in real time: the song aimed at the frame's moment, the
    // frame drawn and presented, the clocks moved on by the timer's time and
    // the song's position for the next frame read.
    void playFrame();
    // One frame drawn and presented, the clocks moved on by exactly d, and
    // the position read from the song's rows; false after the last scene.
    bool stepFrame(double d);
    // The picture at the current moment drawn and presented, the state left
    // as it was.
    void peekFrame();
    // From the show's start, `frame` frames of `fps` replayed without drawing,
    // the song's position read from its rows as the offline output reports it.
    // Stops early at the song's end or the script's last row; returns the
    // frames replayed. The song itself is not moved.
    int64_t replayTo(int64_t frame, int fps);

    int scene() const { return scene_; }
    // The show time of the next frame, in seconds.
    double time() const { return seconds_; }

    // The layers' functions, each written once (shell/scenes.cpp).
    struct Layers;

private:
    // A scene: the order it runs up to, the step before its first frame (the
    // background picture, clock resets and scroll start; none for most), its
    // layers and its clocks moved on by d seconds. It runs while the polled
    // order is below its end (the final scene also while the row is below 63).
    struct Scene {
        uint32_t endOrder;
        void (*enter)(Timeline& t);
        std::vector<Layer> layers;
        void (*advance)(Timeline& t, double d);
    };
    struct Checkpoint;
    static const Scene kScenes[kSceneCount];
    // Throws DynamicError for a scene the script does not have.
    static const Scene& sceneAt(int scene);

    // The scene's frames go on: its order bound, and row 63 in the last one.
    bool sceneGoesOn() const;
    void aimSong(int64_t drawingStarts);
    // The order (and in the final scene the row) the song's rows give at the
    // show time reached.
    void readRows(const SongRowTable& rows);
    Checkpoint checkpoint() const;
    void restore(const Checkpoint& saved);

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
    int64_t drawingTime = 0;  // nanoseconds from the start of drawing a frame to its present's call

    int scene_ = 1;
    bool first_ = true;   // the scene's first frame is next
    double seconds_ = 0;  // the show time of the next frame
    std::unique_ptr<Checkpoint> showStart;
    std::array<uint32_t, kSceneCount> layersOff{};  // a bit per layer, by scene
};
