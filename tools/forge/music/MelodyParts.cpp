// The lead and the answer channel: the themes where they belong, an echo in
// the variation, a counter-melody in the climax.
#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Themes.h"
#include "Track.h"

namespace music {

namespace {
constexpr int kEchoDelay = 3;

enum ThemeChoice { kNone, kMain, kTurn, kAnswer };

// The theme each order of the groove, the variation and the climax carries.
Melody themeOf(int order) {
    static const ThemeChoice choices[kOrders] = {
        kNone, kNone,   kNone, kNone,   kNone, kNone,   kNone, kNone,    // intro and build
        kNone, kMain,   kTurn, kAnswer, kMain, kAnswer,                  // groove
        kMain, kAnswer, kTurn, kAnswer,                                  // variation
        kNone, kNone,   kNone, kNone,   kNone,                           // breakdown and rebuild
        kMain, kAnswer, kTurn, kAnswer, kMain, kAnswer, kTurn, kAnswer,  // climax
        kNone,                                                           // outro
    };
    switch (choices[order]) {
        case kMain:
            return mainTheme();
        case kTurn:
            return mainThemeTurn();
        case kAnswer:
            return answerTheme();
        default:
            return {};
    }
}
}  // namespace

void writeMelodies(xm::Pattern& pattern, int order) {
    Track lead(pattern, kLeadChannel);
    Track answer(pattern, kAnswerChannel);
    switch (sectionOf(order)) {
        case Section::Groove:
            lead.playMelody(themeOf(order), kLead, 52);
            break;
        case Section::Variation: {
            Melody theme = themeOf(order);
            lead.playMelody(theme, kLead, 52);
            answer.playMelody(delayed(transposed(theme, -12), kEchoDelay), kLead, 22);
            answer.panNotes(0x40);
            break;
        }
        case Section::Breakdown: {
            Melody slow = order % 2 == 0 ? slowThemeFirst() : slowThemeSecond();
            lead.playMelody(slow, kLead, 44);
            if (order >= 20) answer.playMelody(transposed(slow, 12), kGlass, 14);
            break;
        }
        case Section::Climax:
            lead.playMelody(withDorianLift(transposed(themeOf(order), 12)), kLead, 50);
            answer.playMelody(withDorianLift(counterLine()), kGlass, 18);
            break;
        case Section::Outro:
            lead.playMelody(outroPhrase(), kLead, 40);
            answer.play(32, pitch(A, 5), kGlass, 24);
            break;
        default:
            break;
    }
    lead.release(0);
    answer.release(0);
}

}  // namespace music
