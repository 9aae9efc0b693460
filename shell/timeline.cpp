#include "shell/timeline.h"

#include "effects/cEffect.h"
#include "effects/showRandom.h"
#include "platform/display/DynamicKey.h"

namespace {

constexpr int kEscape = 27;
constexpr int kFinalScene = 8;
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

bool checkEscape(DynamicConsole& console) {
    bool result = false;
    while (console.key()) {
        DynamicKey key;
        console.read(key);
        if (key.code() == kEscape) result = true;
    }
    return result;
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

// One scene: frames while the polled order is below the bound (and, in the
// final scene, the polled row below 63). Positions compare as unsigned, so a
// negative order is past every bound. A song heard to its end before that
// ends the show as Escape does: a shorter song than the script's would
// otherwise leave the last scene running in silence.
void Timeline::runScene(int scene, uint32_t bound) {
    bool first = true;
    while (quit_ == 0 && static_cast<uint32_t>(order_) < bound &&
           (scene != kFinalScene || static_cast<uint32_t>(row_) < kLastRow)) {
        if (first && observer) observer->sceneStarted(scene, order_);
        first = false;

        composeScene(scene);
        presentFrame(assets.frameSurface, console);
        if (observer) observer->framePresented(assets.frameSurface, FrameInfo{scene, clocks_, scroll_});

        double d = timer.delta();
        advanceScene(scene, d);

        order_ = song.order();
        if (scene == kFinalScene) row_ = song.row();
        quit_ = checkEscape(console) || song.finished() || (observer && !observer->wantsMoreFrames()) ? 1 : 0;
    }
}

void Timeline::beatPulse() {
    srcArea = beatArea(song);
    assets.background.copy(assets.frameSurface, srcArea, dstArea);
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

void Timeline::run() {
    clocks_ = ShowClocks();
    scroll_ = ScrollState();
    assets.frameSurface.clear();
    presentFrame(assets.frameSurface, console);
    song.play();
    timer.start();

    // Each scene runs while the polled order is below its bound.
    const uint32_t bounds[kFinalScene] = {3, 7, 14, 18, 22, 26, 31, 32};
    for (int scene = 1; scene <= kFinalScene; ++scene) {
        enterScene(scene);
        runScene(scene, bounds[scene - 1]);
    }
}

void Timeline::enterScene(int scene) {
    switch (scene) {
        case 1:
            assets.picture(kAtReady).draw(assets.background, 0, 0);
            scroll_.scrollX = 2240;
            break;
        case 4:
            assets.picture(kSwordPen).draw(assets.background, 0, 0);
            break;
        case 6:
            assets.picture(kBigSpark).draw(assets.background, 0, 0);
            clocks_.fadeBClock = 0;
            break;
        case kFinalScene:
            scroll_.scrollX = 0;
            break;
        default:
            break;
    }
}

void Timeline::composeScene(int scene) {
    DynamicSurface& frame = assets.frameSurface;
    const ShowClocks& c = clocks_;
    switch (scene) {
        case 1:
            assets.flower->draw(assets.flowerCanvas, c.mainClock);
            assets.flowerCanvas.copy(frame);
            assets.picture(kAnalog).draw(frame, 0, 0);
            assets.staticNoise->drawAdditive(frame);
            assets.matrixWriter->draw(frame, c.mainClock);
            drawTitleWord();
            drawClockDisplay(kDisplayA, kDisplayAX);
            break;
        case 2:
            assets.flower->draw(assets.flowerCanvas, c.mainClock);
            assets.flowerCanvas.copy(frame);
            assets.picture(kAnalog).draw(frame, 0, 0);
            drawTitleWord();
            drawClockDisplay(kDisplayA, kDisplayAX);
            assets.fadeA->draw(frame, c.fadeAClock);
            assets.staticNoise->drawAdditive(frame);
            assets.matrixWriter->draw(frame, c.mainClock);
            break;
        case 3:
            beatPulse();
            assets.tunnel2D->drawTripleAdditive(frame, c.tunnel2DClock);
            assets.staticNoise->drawAdditive(frame);
            assets.randomDots->draw(frame, 2, 180, c.dotsClock);
            assets.matrixWriter->draw(frame, c.mainClock);
            assets.picture(kScroller).draw(frame, scroll_.scrollX, 125);
            break;
        case 4:
            beatPulse();
            assets.staticNoise->drawAdditive(frame);
            assets.randomDots->draw(frame, 2, 180, c.dotsClock);
            drawRings();
            assets.picture(kFight).draw(frame, 292, 17);
            assets.matrixWriter->draw(frame, c.mainClock);
            break;
        case 5:
            assets.plasma->draw(assets.plasmaCanvas);
            assets.plasmaCanvas.copy(frame);
            assets.picture(kGenetic).draw(frame, 0, 0);
            assets.staticNoise->drawAdditive(frame);
            assets.binaryBg->draw(frame, c.binaryBgClock);
            assets.picture(kGreets).draw(frame, 0, 0);
            break;
        case 6:
            beatPulse();
            drawClockDisplay(kDisplayB, kDisplayBX);
            assets.tunnel3D->update(c.tunnel3DStep);
            assets.tunnel3D->drawAdditive(frame);
            assets.staticNoise->drawAdditive(frame);
            assets.randomDots->draw(frame, 2, 20, c.dotsClock);
            assets.matrixWriter->draw(frame, c.mainClock);
            break;
        case 7:
            beatPulse();
            drawClockDisplay(kDisplayB, kDisplayBX);
            assets.fadeB->draw(frame, c.fadeBClock);
            assets.tunnel3D->update(c.tunnel3DStep);
            assets.tunnel3D->drawAdditive(frame);
            assets.staticNoise->drawAdditive(frame);
            assets.randomDots->draw(frame, 2, 20, c.dotsClock);
            assets.matrixWriter->draw(frame, c.mainClock);
            assets.picture(kCredits).draw(frame, 0, 99);
            break;
        case kFinalScene:
            frame.clear();
            assets.picture(kTitle).draw(frame, 0, 0);
            assets.staticNoise->drawAdditive(frame);
            assets.matrixWriter->draw(frame, c.mainClock);
            assets.picture(kFilmStrip).draw(frame, scroll_.scrollX, 160);
            break;
        default:
            break;
    }
}

void Timeline::advanceScene(int scene, double d) {
    ShowClocks& c = clocks_;
    switch (scene) {
        case 1:
            c.mainClock += 1.4 * d;
            break;
        case 2:
            c.mainClock += 1.4 * d;
            c.fadeAClock += 3.5 * d;
            break;
        case 3:
            c.dotsClock += 2.6 * d;
            c.mainClock += 1.4 * d;
            c.tunnel2DClock += 0.4 * d;
            scroll_.advance(d, scroll_.scrollStep);
            break;
        case 4:
            c.dotsClock += 2.6 * d;
            c.mainClock += 1.4 * d;
            c.spriteClock += 10.6 * d;
            break;
        case 5:
            c.binaryBgClock += 10.6 * d;
            assets.plasma->update(16.5 * d);
            break;
        case 6:
            c.mainClock += 1.4 * d;
            c.tunnel3DStep = 0.4 * d;
            c.dotsClock += 2.6 * d;
            break;
        case 7:
            c.mainClock += 1.4 * d;
            c.tunnel3DStep = 0.4 * d;
            c.dotsClock += 2.6 * d;
            c.fadeBClock += 3.5 * d;
            break;
        case kFinalScene:
            c.mainClock += 1.4 * d;
            scroll_.advance(d, 7);
            break;
        default:
            break;
    }
}
