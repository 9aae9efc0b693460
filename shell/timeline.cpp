#include "shell/timeline.h"

#include <string>

#include "effects/cEffect.h"
#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "platform/sound/sound_clock.h"
#include "shell/timeline_checkpoint.h"
#include "show/score.h"

using namespace show;

namespace {

constexpr int kFinalScene = kSceneCount;
constexpr uint32_t kLastRow = 63;

// Display A reads 12:07:15 and display B 22:15:35, on the line y = 188.
const Picture kDisplayA[8] = {kDigit1, kDigit2, kColon, kDigit0, kDigit7, kColon, kDigit1, kDigit5};
const int kDisplayAX[8] = {6, 47, 95, 117, 160, 209, 233, 273};
const Picture kDisplayB[8] = {kDigit2, kDigit2, kColon, kDigit1, kDigit5, kColon, kDigit3, kDigit5};
const int kDisplayBX[8] = {4, 48, 96, 121, 161, 210, 231, 275};
constexpr int kDisplayY = 188;

const Picture kTitleLetters[8] = {kLetterP, kLetterE, kLetterE, kLetterK, kLetterS, kLetterT, kLetterU, kLetterN};
const int kTitleX[8] = {15, 30, 40, 50, 65, 75, 90, 95};
constexpr int kTitleY = 20;

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

void Timeline::beatPulse() {
    srcArea = beatArea(song);
    assets.background.copy(assets.frameSurface, srcArea, dstArea);
}

// The title word's sixteen draws from the generator, without the letters.
void Timeline::skipTitleWord() {
    for (int i = 0; i < 16; ++i) showRand();
}

void Timeline::drawTitleWord() {
    for (int i = 0; i < 8; ++i) {
        int dy = showRand() % 4;  // the y offset is drawn first
        int dx = showRand() % 4;
        assets.picture(kTitleLetters[i]).draw(assets.frameSurface, kTitleX[i] + dx, kTitleY + dy);
    }
}

void Timeline::drawClockDisplay(const Picture (&characters)[8], const int (&x)[8]) {
    for (int i = 0; i < 8; ++i) assets.picture(characters[i]).draw(assets.frameSurface, x[i], kDisplayY);
}

void Timeline::drawRings() {
    const CurveTables& tables = assets.tables;
    int i = roundToByte(clocks_.spriteClock);
    cBitmap& ring = assets.picture(kLineCircle);
    ring.draw(assets.frameSurface, static_cast<int>(tables.curveX1[i] - 60.0), 40);
    ring.draw(assets.frameSurface, static_cast<int>(tables.curveX2[i] - 60.0), 90);
    ring.draw(assets.frameSurface, static_cast<int>(tables.curveX3[i] - 60.0), 140);
}

// A scene: the order it runs up to, and its steps. It runs while the polled
// order is below its end (the final scene also while the row is below 63).
struct Timeline::Scene {
    uint32_t endOrder;
    // Before its first frame: the background picture, clock resets and
    // scroll start; none for most scenes.
    void (*enter)(Timeline& t);
    // One frame's layers, first to last, into the frame surface.
    void (*compose)(Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c);
    // Its clocks moved on by d seconds.
    void (*advance)(Timeline& t, ShowClocks& c, double d);
    // What compose changes (the generator, the effects' own state), in the
    // same order, drawing nothing: a frame replayed.
    void (*skip)(Timeline& t, ShowAssets& a, const ShowClocks& c);
};

const Timeline::Scene Timeline::kScenes[kSceneCount] = {
    // 1: the flower under the analog instrument, the title word and display A.
    {3,
     [](Timeline& t) {
         t.assets.picture(kAtReady).draw(t.assets.background, 0, 0);
         t.scroll_.scrollX = 2240;
     },
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         a.flower->draw(a.flowerCanvas, c.mainClock);
         a.flowerCanvas.copy(frame);
         a.picture(kAnalog).draw(frame, 0, 0);
         a.staticNoise->drawAdditive(frame);
         a.matrixWriter->draw(frame, c.mainClock);
         t.drawTitleWord();
         t.drawClockDisplay(kDisplayA, kDisplayAX);
     },
     [](Timeline&, ShowClocks& c, double d) { c.mainClock += kMainClockRate * d; },
     [](Timeline& t, ShowAssets& a, const ShowClocks& c) {
         a.staticNoise->skipDraw(a.frameSurface);
         a.matrixWriter->skipDraw(c.mainClock);
         t.skipTitleWord();
     }},
    // 2: the same with the first fade over it.
    {7, nullptr,
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         a.flower->draw(a.flowerCanvas, c.mainClock);
         a.flowerCanvas.copy(frame);
         a.picture(kAnalog).draw(frame, 0, 0);
         t.drawTitleWord();
         t.drawClockDisplay(kDisplayA, kDisplayAX);
         a.fadeA->draw(frame, c.fadeAClock);
         a.staticNoise->drawAdditive(frame);
         a.matrixWriter->draw(frame, c.mainClock);
     },
     [](Timeline&, ShowClocks& c, double d) {
         c.mainClock += kMainClockRate * d;
         c.fadeAClock += kFadeClockRate * d;
     },
     [](Timeline& t, ShowAssets& a, const ShowClocks& c) {
         t.skipTitleWord();
         a.fadeA->skipDraw(c.fadeAClock);
         a.staticNoise->skipDraw(a.frameSurface);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
    // 3: the pulsing background, the 2D tunnel, the dots and the scroller.
    {14, nullptr,
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         t.beatPulse();
         a.tunnel2D->drawTripleAdditive(frame, c.tunnel2DClock);
         a.staticNoise->drawAdditive(frame);
         a.randomDots->draw(frame, 2, 180, c.dotsClock);
         a.matrixWriter->draw(frame, c.mainClock);
         a.picture(kScroller).draw(frame, t.scroll_.scrollX, 125);
     },
     [](Timeline& t, ShowClocks& c, double d) {
         c.dotsClock += kDotsClockRate * d;
         c.mainClock += kMainClockRate * d;
         c.tunnel2DClock += kTunnelClockRate * d;
         t.scroll_.advance(d, t.scroll_.scrollStep);
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.staticNoise->skipDraw(a.frameSurface);
         a.randomDots->skipDraw(c.dotsClock);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
    // 4: the sword and pen pulsing under the rings and the fight word.
    {18, [](Timeline& t) { t.assets.picture(kSwordPen).draw(t.assets.background, 0, 0); },
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         t.beatPulse();
         a.staticNoise->drawAdditive(frame);
         a.randomDots->draw(frame, 2, 180, c.dotsClock);
         t.drawRings();
         a.picture(kFight).draw(frame, 292, 17);
         a.matrixWriter->draw(frame, c.mainClock);
     },
     [](Timeline&, ShowClocks& c, double d) {
         c.dotsClock += kDotsClockRate * d;
         c.mainClock += kMainClockRate * d;
         c.spriteClock += kSpriteClockRate * d;
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.staticNoise->skipDraw(a.frameSurface);
         a.randomDots->skipDraw(c.dotsClock);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
    // 5: the plasma under the double helix, the binary band and the greetings.
    {22, nullptr,
     [](Timeline&, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         a.plasma->draw(a.plasmaCanvas);
         a.plasmaCanvas.copy(frame);
         a.picture(kGenetic).draw(frame, 0, 0);
         a.staticNoise->drawAdditive(frame);
         a.binaryBg->draw(frame, c.binaryBgClock);
         a.picture(kGreets).draw(frame, 0, 0);
     },
     [](Timeline& t, ShowClocks& c, double d) {
         c.binaryBgClock += kSpriteClockRate * d;
         t.assets.plasma->update(kPlasmaRate * d);
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.staticNoise->skipDraw(a.frameSurface);
         a.binaryBg->skipDraw(c.binaryBgClock);
     }},
    // 6: the big spark pulsing, display B and the 3D tunnel.
    {26,
     [](Timeline& t) {
         t.assets.picture(kBigSpark).draw(t.assets.background, 0, 0);
         t.clocks_.fadeBClock = 0;
     },
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         t.beatPulse();
         t.drawClockDisplay(kDisplayB, kDisplayBX);
         a.tunnel3D->update(c.tunnel3DStep);
         a.tunnel3D->drawAdditive(frame);
         a.staticNoise->drawAdditive(frame);
         a.randomDots->draw(frame, 2, 20, c.dotsClock);
         a.matrixWriter->draw(frame, c.mainClock);
     },
     [](Timeline&, ShowClocks& c, double d) {
         c.mainClock += kMainClockRate * d;
         c.tunnel3DStep = kTunnelClockRate * d;
         c.dotsClock += kDotsClockRate * d;
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.tunnel3D->update(c.tunnel3DStep);
         a.staticNoise->skipDraw(a.frameSurface);
         a.randomDots->skipDraw(c.dotsClock);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
    // 7: the same with the second fade and the credits.
    {31, nullptr,
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         t.beatPulse();
         t.drawClockDisplay(kDisplayB, kDisplayBX);
         a.fadeB->draw(frame, c.fadeBClock);
         a.tunnel3D->update(c.tunnel3DStep);
         a.tunnel3D->drawAdditive(frame);
         a.staticNoise->drawAdditive(frame);
         a.randomDots->draw(frame, 2, 20, c.dotsClock);
         a.matrixWriter->draw(frame, c.mainClock);
         a.picture(kCredits).draw(frame, 0, 99);
     },
     [](Timeline&, ShowClocks& c, double d) {
         c.mainClock += kMainClockRate * d;
         c.tunnel3DStep = kTunnelClockRate * d;
         c.dotsClock += kDotsClockRate * d;
         c.fadeBClock += kFadeClockRate * d;
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.fadeB->skipDraw(c.fadeBClock);
         a.tunnel3D->update(c.tunnel3DStep);
         a.staticNoise->skipDraw(a.frameSurface);
         a.randomDots->skipDraw(c.dotsClock);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
    // 8: the title and the film strip, to the song's last row.
    {show::kSongOrders, [](Timeline& t) { t.scroll_.scrollX = 0; },
     [](Timeline& t, DynamicSurface& frame, ShowAssets& a, const ShowClocks& c) {
         frame.clear();
         a.picture(kTitle).draw(frame, 0, 0);
         a.staticNoise->drawAdditive(frame);
         a.matrixWriter->draw(frame, c.mainClock);
         a.picture(kFilmStrip).draw(frame, t.scroll_.scrollX, 160);
     },
     [](Timeline& t, ShowClocks& c, double d) {
         c.mainClock += kMainClockRate * d;
         t.scroll_.advance(d, 7);
     },
     [](Timeline&, ShowAssets& a, const ShowClocks& c) {
         a.staticNoise->skipDraw(a.frameSurface);
         a.matrixWriter->skipDraw(c.mainClock);
     }},
};

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

void Timeline::composeScene(int scene) { sceneAt(scene).compose(*this, assets.frameSurface, assets, clocks_); }

void Timeline::advanceScene(int scene, double d) { sceneAt(scene).advance(*this, clocks_, d); }

void Timeline::skipScene(int scene) { sceneAt(scene).skip(*this, assets, clocks_); }

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

void Timeline::readRows(const SongRows& rows) {
    const SongRows::Start at = rows.rowAt(songFrameAt(seconds_, rows.rate));
    order_ = at.order;
    if (scene_ == kFinalScene) row_ = at.row;
}

int64_t Timeline::replayTo(int64_t frame, int fps) {
    const SongRows& rows = song.rows();
    resetShow();
    const double d = 1.0 / fps;
    int64_t replayed = 0;
    while (replayed < frame && settleScene()) {
        if (first_ && observer) observer->sceneReplayed(scene_, order_, replayed);
        first_ = false;
        skipScene(scene_);
        advanceScene(scene_, d);
        ++replayed;
        // What the offline output reports after the frame: the row holding
        // the first song frame of the next one.
        seconds_ = static_cast<double>(replayed) / fps;
        readRows(rows);
        if (songFrameAt(seconds_, rows.rate) >= rows.length) break;
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
    const SongRows& rows = song.rows();
    if (!rows.empty()) readRows(rows);
    return true;
}
