// The scene table: each scene's end order, its entry step, its layers (what
// is drawn, with which clock, where) and its clock steps. Every layer is one
// function with an optional frame: with one it draws, with none it moves
// only what drawing would move (the shared generator, the effect's own
// state), so a seek replays exactly the list it draws.
#include "effects/cEffect.h"
#include "effects/showRandom.h"
#include "shell/timeline.h"
#include "show/score.h"

using namespace show;

namespace {

// Display A reads 12:07:15 and display B 22:15:35, on the line y = 188.
const Picture kDisplayA[8] = {kDigit1, kDigit2, kColon, kDigit0, kDigit7, kColon, kDigit1, kDigit5};
const int kDisplayAX[8] = {6, 47, 95, 117, 160, 209, 233, 273};
const Picture kDisplayB[8] = {kDigit2, kDigit2, kColon, kDigit1, kDigit5, kColon, kDigit3, kDigit5};
const int kDisplayBX[8] = {4, 48, 96, 121, 161, 210, 231, 275};
constexpr int kDisplayY = 188;

const Picture kTitleLetters[8] = {kLetterP, kLetterE, kLetterE, kLetterK, kLetterS, kLetterT, kLetterU, kLetterN};
const int kTitleX[8] = {15, 30, 40, 50, 65, 75, 90, 95};
constexpr int kTitleY = 20;

void drawClockDisplay(ShowAssets& a, DynamicSurface& frame, const Picture (&characters)[8], const int (&x)[8]) {
    for (int i = 0; i < 8; ++i) a.picture(characters[i]).draw(frame, x[i], kDisplayY);
}

}  // namespace

// The layers, each once; the scenes below list them.
struct Timeline::Layers {
    // A picture that moves nothing: drawn, or nothing at all.
    template <Picture kWhich, int kX, int kY>
    static void picture(Timeline& t, DynamicSurface* frame) {
        if (frame) t.assets.picture(kWhich).draw(*frame, kX, kY);
    }

    static void flower(Timeline& t, DynamicSurface* frame) {
        if (!frame) return;
        t.assets.flower->draw(t.assets.flowerCanvas, t.clocks_.mainClock);
        t.assets.flowerCanvas.copy(*frame);
    }

    // The background picture, magnified by a border's width on beat rows so
    // that it kicks with the drum.
    static void pulse(Timeline& t, DynamicSurface* frame) {
        if (!frame) return;
        t.srcArea = beatArea(t.song);
        t.assets.background.copy(*frame, t.srcArea, t.dstArea);
    }

    static void noise(Timeline& t, DynamicSurface* frame) {
        if (frame) {
            t.assets.staticNoise->drawAdditive(*frame);
        } else {
            t.assets.staticNoise->skipDraw(t.assets.frameSurface);
        }
    }

    static void matrix(Timeline& t, DynamicSurface* frame) {
        if (frame) {
            t.assets.matrixWriter->draw(*frame, t.clocks_.mainClock);
        } else {
            t.assets.matrixWriter->skipDraw(t.clocks_.mainClock);
        }
    }

    // Sixteen draws from the generator, an offset for each letter, drawn or not.
    static void titleWord(Timeline& t, DynamicSurface* frame) {
        for (int i = 0; i < 8; ++i) {
            const int dy = showRand() % 4;  // the y offset is drawn first
            const int dx = showRand() % 4;
            if (frame) t.assets.picture(kTitleLetters[i]).draw(*frame, kTitleX[i] + dx, kTitleY + dy);
        }
    }

    static void displayA(Timeline& t, DynamicSurface* frame) {
        if (frame) drawClockDisplay(t.assets, *frame, kDisplayA, kDisplayAX);
    }

    static void displayB(Timeline& t, DynamicSurface* frame) {
        if (frame) drawClockDisplay(t.assets, *frame, kDisplayB, kDisplayBX);
    }

    static void fade(cFade& fade, float clock, DynamicSurface* frame) {
        if (frame) {
            fade.draw(*frame, clock);
        } else {
            fade.skipDraw(clock);
        }
    }
    static void firstFade(Timeline& t, DynamicSurface* frame) { fade(*t.assets.fadeA, t.clocks_.fadeAClock, frame); }
    static void secondFade(Timeline& t, DynamicSurface* frame) { fade(*t.assets.fadeB, t.clocks_.fadeBClock, frame); }

    static void tunnel2D(Timeline& t, DynamicSurface* frame) {
        if (frame) t.assets.tunnel2D->drawTripleAdditive(*frame, t.clocks_.tunnel2DClock);
    }

    // The camera moves whether the tunnel is drawn or not.
    static void tunnel3D(Timeline& t, DynamicSurface* frame) {
        t.assets.tunnel3D->update(t.clocks_.tunnel3DStep);
        if (frame) t.assets.tunnel3D->drawAdditive(*frame);
    }

    template <int kY>
    static void dots(Timeline& t, DynamicSurface* frame) {
        if (frame) {
            t.assets.randomDots->draw(*frame, 2, kY, t.clocks_.dotsClock);
        } else {
            t.assets.randomDots->skipDraw(t.clocks_.dotsClock);
        }
    }

    static void scroller(Timeline& t, DynamicSurface* frame) {
        if (frame) t.assets.picture(kScroller).draw(*frame, t.scroll_.scrollX, 125);
    }

    static void filmStrip(Timeline& t, DynamicSurface* frame) {
        if (frame) t.assets.picture(kFilmStrip).draw(*frame, t.scroll_.scrollX, 160);
    }

    static void rings(Timeline& t, DynamicSurface* frame) {
        if (!frame) return;
        const CurveTables& tables = t.assets.tables;
        const int i = roundToByte(t.clocks_.spriteClock);
        cBitmap& ring = t.assets.picture(kLineCircle);
        ring.draw(*frame, static_cast<int>(tables.curveX1[i] - 60.0), 40);
        ring.draw(*frame, static_cast<int>(tables.curveX2[i] - 60.0), 90);
        ring.draw(*frame, static_cast<int>(tables.curveX3[i] - 60.0), 140);
    }

    // Its phases move with the scene's clock step, not here.
    static void plasma(Timeline& t, DynamicSurface* frame) {
        if (!frame) return;
        t.assets.plasma->draw(t.assets.plasmaCanvas);
        t.assets.plasmaCanvas.copy(*frame);
    }

    static void binaryBand(Timeline& t, DynamicSurface* frame) {
        if (frame) {
            t.assets.binaryBg->draw(*frame, t.clocks_.binaryBgClock);
        } else {
            t.assets.binaryBg->skipDraw(t.clocks_.binaryBgClock);
        }
    }

    static void title(Timeline& t, DynamicSurface* frame) {
        if (!frame) return;
        frame->clear();
        t.assets.picture(kTitle).draw(*frame, 0, 0);
    }
};

namespace {

using L = Timeline::Layers;
const Layer theFlower{"flower", L::flower};
const Layer theAnalog{"analog instrument", L::picture<kAnalog, 0, 0>};
const Layer theStatic{"static", L::noise};
const Layer theMatrix{"matrix", L::matrix};
const Layer theTitleWord{"title word", L::titleWord};
const Layer theDisplayA{"display A", L::displayA};
const Layer theDisplayB{"display B", L::displayB};
const Layer theFirstFade{"first fade", L::firstFade};
const Layer theSecondFade{"second fade", L::secondFade};
const Layer thePulse{"pulsing background", L::pulse};
const Layer the2DTunnel{"2D tunnel", L::tunnel2D};
const Layer the3DTunnel{"3D tunnel", L::tunnel3D};
const Layer theDotsLow{"dots", L::dots<180>};
const Layer theDotsHigh{"dots", L::dots<20>};
const Layer theScroller{"scroller", L::scroller};
const Layer theRings{"rings", L::rings};
const Layer theFightWord{"fight word", L::picture<kFight, 292, 17>};
const Layer thePlasma{"plasma", L::plasma};
const Layer theHelix{"double helix", L::picture<kGenetic, 0, 0>};
const Layer theBinaryBand{"binary band", L::binaryBand};
const Layer theGreetings{"greetings", L::picture<kGreets, 0, 0>};
const Layer theCredits{"credits", L::picture<kCredits, 0, 99>};
const Layer theTitle{"title", L::title};
const Layer theFilmStrip{"film strip", L::filmStrip};

}  // namespace

const Timeline::Scene Timeline::kScenes[kSceneCount] = {
    // 1: the flower under the analog instrument, the title word and display A.
    {3,
     [](Timeline& t) {
         t.assets.picture(kAtReady).draw(t.assets.background, 0, 0);
         t.scroll_.scrollX = 2240;
     },
     {theFlower, theAnalog, theStatic, theMatrix, theTitleWord, theDisplayA},
     [](Timeline& t, double d) { t.clocks_.mainClock += kMainClockRate * d; }},
    // 2: the same with the first fade over it.
    {7,
     nullptr,
     {theFlower, theAnalog, theTitleWord, theDisplayA, theFirstFade, theStatic, theMatrix},
     [](Timeline& t, double d) {
         t.clocks_.mainClock += kMainClockRate * d;
         t.clocks_.fadeAClock += kFadeClockRate * d;
     }},
    // 3: the pulsing background, the 2D tunnel, the dots and the scroller.
    {14,
     nullptr,
     {thePulse, the2DTunnel, theStatic, theDotsLow, theMatrix, theScroller},
     [](Timeline& t, double d) {
         t.clocks_.dotsClock += kDotsClockRate * d;
         t.clocks_.mainClock += kMainClockRate * d;
         t.clocks_.tunnel2DClock += kTunnelClockRate * d;
         t.scroll_.advance(d, t.scroll_.scrollStep);
     }},
    // 4: the sword and pen pulsing under the rings and the fight word.
    {18,
     [](Timeline& t) { t.assets.picture(kSwordPen).draw(t.assets.background, 0, 0); },
     {thePulse, theStatic, theDotsLow, theRings, theFightWord, theMatrix},
     [](Timeline& t, double d) {
         t.clocks_.dotsClock += kDotsClockRate * d;
         t.clocks_.mainClock += kMainClockRate * d;
         t.clocks_.spriteClock += kSpriteClockRate * d;
     }},
    // 5: the plasma under the double helix, the binary band and the greetings.
    {22,
     nullptr,
     {thePlasma, theHelix, theStatic, theBinaryBand, theGreetings},
     [](Timeline& t, double d) {
         t.clocks_.binaryBgClock += kSpriteClockRate * d;
         t.assets.plasma->update(kPlasmaRate * d);
     }},
    // 6: the big spark pulsing, display B and the 3D tunnel.
    {26,
     [](Timeline& t) {
         t.assets.picture(kBigSpark).draw(t.assets.background, 0, 0);
         t.clocks_.fadeBClock = 0;
     },
     {thePulse, theDisplayB, the3DTunnel, theStatic, theDotsHigh, theMatrix},
     [](Timeline& t, double d) {
         t.clocks_.mainClock += kMainClockRate * d;
         t.clocks_.tunnel3DStep = kTunnelClockRate * d;
         t.clocks_.dotsClock += kDotsClockRate * d;
     }},
    // 7: the same with the second fade and the credits.
    {31,
     nullptr,
     {thePulse, theDisplayB, theSecondFade, the3DTunnel, theStatic, theDotsHigh, theMatrix, theCredits},
     [](Timeline& t, double d) {
         t.clocks_.mainClock += kMainClockRate * d;
         t.clocks_.tunnel3DStep = kTunnelClockRate * d;
         t.clocks_.dotsClock += kDotsClockRate * d;
         t.clocks_.fadeBClock += kFadeClockRate * d;
     }},
    // 8: the title and the film strip, to the song's last row.
    {show::kSongOrders,
     [](Timeline& t) { t.scroll_.scrollX = 0; },
     {theTitle, theStatic, theMatrix, theFilmStrip},
     [](Timeline& t, double d) {
         t.clocks_.mainClock += kMainClockRate * d;
         t.scroll_.advance(d, 7);
     }},
};
