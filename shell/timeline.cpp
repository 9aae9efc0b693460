#include "shell/timeline.h"

#include <string>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "platform/sound/sound_clock.h"

// Everything of the show's state that frames change and the scene entries do
// not set again: the shared generator and the effects' own motion.
struct Timeline::Checkpoint {
    uint32_t seed;
    ShowClocks clocks;
    ScrollState scroll;
    cMatrixWriter::Progress matrixWriter;
    cBinaryBg::Progress binaryBg;
    cPlasma::Progress plasma;
    c3DTunnel::Progress tunnel3D;
    cFade::Progress fadeA;
    cFade::Progress fadeB;
};

namespace {

constexpr int kFinalScene = kSceneCount;
constexpr uint32_t kLastRow = 63;

}  // namespace

// The accumulator is compared in single precision, so a frame of exactly
// 0.1 s is not yet a whole step.
void ScrollState::advance(double d, int step) {
    scrollAccumulator += d;
    while (scrollAccumulator > 0.1f) {
        scrollAccumulator -= 0.1f;
        scrollX -= step;
    }
}

Timeline::Timeline(ShowAssets& assets, DynamicConsole& console, DynamicTimer& timer, SongPosition& song,
                   DynamicArea& srcArea, const DynamicArea& dstArea, ShowObserver* observer)
    : assets(assets),
      console(console),
      timer(timer),
      song(song),
      srcArea(srcArea),
      dstArea(dstArea),
      observer(observer) {}

Timeline::~Timeline() = default;

// A frame whose drawing starts at `drawingStarts` is presented about one
// drawing time later, as the last one was (its composing, not the wait in
// the present for the refresh), reaches the screen when the console says
// (the display's next refresh after that, or at once on a display without
// one) and stays there until the next frame's refresh. It shows the row heard
// halfway through that time: each row then appears on the frame nearest to
// when it is heard, at most half a refresh early or late, rather than always
// on the frame after, up to a whole refresh late.
void Timeline::aimSong(int64_t drawingStarts) {
    song.aim(console.shownAfter(drawingStarts + drawingTime) + console.frameDuration() / 2);
}

int Timeline::firstOrder(int scene) {
    sceneAt(scene);
    return scene == 1 ? 0 : static_cast<int>(sceneAt(scene - 1).endOrder);
}

const Timeline::Scene& Timeline::sceneAt(int scene) {
    if (scene < 1 || scene > kSceneCount) throw DynamicError("there is no scene " + std::to_string(scene));
    return kScenes[scene - 1];
}

void Timeline::presentBlack() {
    assets.frameSurface.clear();
    presentFrame(assets.frameSurface, console);
}

void Timeline::enterScene(int scene) {
    const Scene& s = sceneAt(scene);
    if (s.enter) s.enter(*this);
}

void Timeline::composeScene(int scene) {
    const std::vector<Layer>& list = sceneAt(scene).layers;
    const uint32_t off = layersOff[scene - 1];
    if (off) assets.frameSurface.clear();
    for (size_t i = 0; i < list.size(); ++i) list[i].run(*this, off >> i & 1 ? nullptr : &assets.frameSurface);
}

void Timeline::replayScene(int scene) {
    for (const Layer& layer : sceneAt(scene).layers) layer.run(*this, nullptr);
}

void Timeline::advanceScene(int scene, double d) { sceneAt(scene).advance(*this, d); }

const std::vector<Layer>& Timeline::layers(int scene) { return sceneAt(scene).layers; }

void Timeline::showLayer(int scene, int layer, bool shown) {
    if (layer < 0 || static_cast<size_t>(layer) >= layers(scene).size()) {
        throw DynamicError("scene " + std::to_string(scene) + " has no layer " + std::to_string(layer));
    }
    const uint32_t bit = uint32_t{1} << layer;
    layersOff[scene - 1] = shown ? layersOff[scene - 1] & ~bit : layersOff[scene - 1] | bit;
}

bool Timeline::layerShown(int scene, int layer) const {
    if (layer < 0 || static_cast<size_t>(layer) >= layers(scene).size()) return false;
    return !(layersOff[scene - 1] >> layer & 1);
}

// A scene's frames go on while the polled order is below its bound (and, in
// the final scene, the polled row below 63). Positions compare as unsigned,
// so a negative order is past every bound.
bool Timeline::sceneGoesOn() const {
    return static_cast<uint32_t>(order_) < sceneAt(scene_).endOrder &&
           (scene_ != kFinalScene || static_cast<uint32_t>(row_) < kLastRow);
}

bool Timeline::settleScene() {
    while (!sceneGoesOn()) {
        if (scene_ >= kFinalScene) return false;
        enterScene(++scene_);
        first_ = true;
    }
    return true;
}

void Timeline::playFrame() {
    if (first_ && observer) observer->sceneStarted(scene_, order_);
    first_ = false;

    const int64_t drawingStarted = steadyNowNs();
    aimSong(drawingStarted);
    composeScene(scene_);
    // Up to the present's call: the present itself may wait for the
    // refresh, and the frame is handed over when it is called.
    drawingTime = steadyNowNs() - drawingStarted;
    presentFrame(assets.frameSurface, console);
    if (observer) observer->framePresented(assets.frameSurface, FrameInfo{scene_, clocks_, scroll_});

    double d = timer.delta();
    advanceScene(scene_, d);
    seconds_ += d;

    // The next frame's moment decides whether it belongs to this scene.
    aimSong(steadyNowNs());
    order_ = song.order();
    if (scene_ == kFinalScene) row_ = song.row();
}

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
    seconds_ = 0;
    scene_ = 1;
    first_ = true;
    enterScene(1);
}

void Timeline::readRows(const SongRowTable& rows) {
    const MusicPosition at = rows.rowAt(songFrameAt(seconds_, rows.rate()));
    order_ = at.order;
    if (scene_ == kFinalScene) row_ = at.row;
}

int64_t Timeline::replayTo(int64_t frame, int fps) {
    const SongRowTable& rows = song.rows();
    resetShow();
    const double d = 1.0 / fps;
    int64_t replayed = 0;
    while (replayed < frame && settleScene()) {
        if (first_ && observer) observer->sceneReplayed(scene_, order_, replayed);
        first_ = false;
        replayScene(scene_);
        advanceScene(scene_, d);
        ++replayed;
        // What the offline output reports after the frame: the row holding
        // the first song frame of the next one.
        seconds_ = static_cast<double>(replayed) / fps;
        readRows(rows);
        if (songFrameAt(seconds_, rows.rate()) >= rows.length()) break;
    }
    seconds_ = static_cast<double>(replayed) / fps;
    return replayed;
}

void Timeline::peekFrame() {
    // A scene entered here stays entered: its entry's resets are kept.
    const bool showGoesOn = settleScene();
    const Checkpoint saved = checkpoint();
    if (showGoesOn) composeScene(scene_);
    presentFrame(assets.frameSurface, console);
    restore(saved);
}

bool Timeline::stepFrame(double d) {
    if (!settleScene()) return false;
    if (first_ && observer) observer->sceneStarted(scene_, order_);
    first_ = false;
    composeScene(scene_);
    presentFrame(assets.frameSurface, console);
    if (observer) observer->framePresented(assets.frameSurface, FrameInfo{scene_, clocks_, scroll_});
    advanceScene(scene_, d);
    seconds_ += d;
    const SongRowTable& rows = song.rows();
    if (!rows.empty()) readRows(rows);
    return true;
}
