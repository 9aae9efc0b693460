// The timeline as a player: seeking by replaying the show without drawing,
// pausing, stepping, the keys and the page's requests, and the on-screen bar.
#include <algorithm>
#include <cmath>

#include "effects/showRandom.h"
#include "platform/display/DynamicKey.h"
#include "platform/display/player_bar.h"
#include "platform/sound/sound_clock.h"
#include "shell/player_requests.h"
#include "shell/timeline.h"
#include "shell/timeline_checkpoint.h"

namespace {

constexpr int kFinalScene = kSceneCount;
constexpr double kSeekStepSeconds = 5.0;
// Page Up this soon after a scene's start goes to the scene before it.
constexpr double kSceneRestartSeconds = 1.0;
constexpr int64_t kBarShownNs = 2000000000;

// The song's frame at the end of `frames` frames of `fps`.
int64_t songFrameAfter(int64_t frames, const SongRows& rows, int fps) { return frames * rows.rate / fps; }

}  // namespace

Timeline::Checkpoint Timeline::checkpoint() const {
    return {showRandSeed(),
            clocks_,
            scroll_,
            assets.matrixWriter->progress(),
            assets.binaryBg->progress(),
            assets.plasma->progress(),
            assets.tunnel3D->progress(),
            assets.fadeA->progress(),
            assets.fadeB->progress()};
}

void Timeline::restore(const Checkpoint& saved) {
    showRandReset(saved.seed);
    clocks_ = saved.clocks;
    scroll_ = saved.scroll;
    assets.matrixWriter->resume(saved.matrixWriter);
    assets.binaryBg->resume(saved.binaryBg);
    assets.plasma->resume(saved.plasma);
    assets.tunnel3D->resume(saved.tunnel3D);
    assets.fadeA->resume(saved.fadeA);
    assets.fadeB->resume(saved.fadeB);
}

void Timeline::resetShow() {
    if (showStart) {
        restore(*showStart);
    } else {
        clocks_ = ShowClocks();
        scroll_ = ScrollState();
        showStart = std::make_unique<Checkpoint>(checkpoint());
    }
    order_ = 0;
    row_ = 0;
    quit_ = 0;
    frames_ = 0;
    seconds_ = 0;
    scene_ = 1;
    first_ = true;
    enterScene(1);
}

bool Timeline::seekToFrame(int64_t frame) {
    const SongRows& rows = song.rows();
    if (rows.empty()) return false;
    // No further than the song's end.
    frame = std::clamp<int64_t>(frame, 0, rows.length * replayFps / rows.rate);
    resetShow();
    const double d = 1.0 / replayFps;
    for (int64_t n = 0; n < frame; ++n) {
        if (!settleScene()) break;
        if (first_ && observer) observer->sceneReplayed(scene_, order_, n);
        first_ = false;
        skipScene(scene_);
        advanceScene(scene_, d);
        ++frames_;
        // What the offline output reports after the frame: the row holding
        // the first song frame of the next one.
        const int64_t heard = songFrameAfter(n + 1, rows, replayFps);
        const SongRows::Start at = rows.rowAt(heard);
        order_ = at.order;
        if (scene_ == kFinalScene) row_ = at.row;
        if (heard >= rows.length) {
            quit_ = 1;
            break;
        }
    }
    seconds_ = static_cast<double>(frames_) / replayFps;
    song.seekFrame(songFrameAfter(frames_, rows, replayFps));
    timer.delta();  // the time the seek took is no time of the show
    if (observer) observer->showSought(frames_);
    if (paused_) peekFrame();
    return true;
}

int64_t Timeline::sceneStartFrame(int scene) {
    const SongRows& rows = song.rows();
    if (rows.empty()) return -1;
    if (scene <= 1) return 0;
    const int64_t start = rows.startOf(firstOrder(scene), 0);
    if (start < 0) return -1;
    // The first frame after whose start the song is in the scene's order.
    return (start * replayFps + rows.rate - 1) / rows.rate;
}

void Timeline::seekToSeconds(double seconds) {
    seekToFrame(static_cast<int64_t>(std::llround(std::max(seconds, 0.0) * replayFps)));
}

void Timeline::seekToScene(int scene) {
    const int64_t frame = sceneStartFrame(std::clamp(scene, 1, kSceneCount));
    if (frame >= 0) seekToFrame(frame);
}

void Timeline::peekFrame() {
    // A scene entered here stays entered: its entry's resets are kept.
    const bool showGoesOn = settleScene();
    const Checkpoint saved = checkpoint();
    if (showGoesOn) composeScene(scene_);
    presentFrame(assets.frameSurface, console);
    restore(saved);
}

void Timeline::holdFrame() {
    presentFrame(assets.frameSurface, console);
    timer.delta();  // paused time is no time of the show
    if (observer) observer->frameHeld();
    quit_ = takePlayerInput() ? 1 : 0;
}

// One frame forward while paused: drawn, shown, and the song put at the
// moment after it.
void Timeline::stepFrame() {
    if (!settleScene()) return;
    if (first_ && observer) observer->sceneStarted(scene_, order_);
    first_ = false;
    composeScene(scene_);
    presentFrame(assets.frameSurface, console);
    if (observer) observer->framePresented(assets.frameSurface, FrameInfo{scene_, clocks_, scroll_});
    const double d = 1.0 / replayFps;
    advanceScene(scene_, d);
    ++frames_;
    seconds_ += d;
    const SongRows& rows = song.rows();
    if (rows.empty()) return;
    const int64_t heard = static_cast<int64_t>(std::floor(seconds_ * rows.rate));
    const SongRows::Start at = rows.rowAt(heard);
    order_ = at.order;
    if (scene_ == kFinalScene) row_ = at.row;
    song.seekFrame(heard);
}

void Timeline::togglePause() {
    paused_ = !paused_;
    if (paused_) {
        soundPaused = song.setPaused(true);
        return;
    }
    timer.delta();
    if (soundPaused) {
        song.setPaused(false);
    } else {
        // An output that cannot pause played on: the song goes back to the picture.
        const SongRows& rows = song.rows();
        if (!rows.empty()) song.seekFrame(static_cast<int64_t>(std::floor(seconds_ * rows.rate)));
    }
}

bool Timeline::takePlayerInput() {
    bool escape = false;
    while (console.key()) {
        DynamicKey key;
        console.read(key);
        if (!escape) escape = playerKey(key.code());
    }
    PlayerRequest request;
    while (!escape && takePlayerRequest(request)) {
        barUntil = steadyNowNs() + kBarShownNs;
        if (request.kind == PlayerRequest::Kind::TogglePause) {
            togglePause();
        } else {
            seekToSeconds(request.seconds);
        }
    }
    return escape;
}

bool Timeline::playerKey(int code) {
    if (code == kKeyEscape) return true;
    switch (code) {
        case kKeySpace:
            togglePause();
            break;
        case kKeyLeft:
            seekToSeconds(seconds_ - kSeekStepSeconds);
            break;
        case kKeyRight:
            seekToSeconds(seconds_ + kSeekStepSeconds);
            break;
        case kKeyPageUp: {
            int scene = scene_;
            const int64_t start = sceneStartFrame(scene);
            if (scene > 1 && start >= 0 && seconds_ - static_cast<double>(start) / replayFps < kSceneRestartSeconds) {
                --scene;
            }
            seekToScene(scene);
            break;
        }
        case kKeyPageDown:
            if (scene_ < kSceneCount) seekToScene(scene_ + 1);
            break;
        case kKeyHome:
            seekToFrame(0);
            break;
        case kKeyPeriod:
            if (paused_) stepFrame();
            break;
        default:
            if (code >= '1' && code < '1' + kSceneCount) {
                seekToScene(code - '0');
                break;
            }
            return false;  // not a player key: the bar stays as it was
    }
    barUntil = steadyNowNs() + kBarShownNs;
    return false;
}

void Timeline::showBar() {
    // Every field every frame: the page's scrubber shows the moment whenever
    // the pointer wakes it, whether the bar is shown or not.
    PlayerBar bar;
    bar.shown = paused_ || steadyNowNs() < barUntil;
    bar.paused = paused_;
    bar.seconds = seconds_;
    bar.scene = std::clamp(scene_, 1, kPlayerBarScenes);
    const SongRows& rows = song.rows();
    if (!rows.empty()) {
        bar.totalSeconds = static_cast<double>(rows.length) / rows.rate;
        for (int scene = 1; scene <= kPlayerBarScenes && scene <= kSceneCount; ++scene) {
            bar.sceneStarts[scene - 1] = static_cast<double>(std::max<int64_t>(sceneStartFrame(scene), 0)) / replayFps;
        }
    }
    console.showBar(bar);
}
