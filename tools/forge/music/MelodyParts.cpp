// The lead, the answer and the counter channels: the themes where they
// belong, a hint of the theme before it enters, an echo in the variation, and
// in the climax a counter-melody that changes halfway and a harmony that
// joins the lead for its second half.
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
    Track counter(pattern, kCounterChannel);
    switch (sectionOf(order)) {
        case Section::Groove:
            lead.playMelody(themeOf(order), kLead, 64);
            // Before the lead enters, the glass hints at its opening in the last two bars.
            if (order == 8) counter.playMelody(delayed(themeOpening(), 32), kGlass, 28);
            // Closing the groove, the glass doubles the lead an octave down.
            if (order == 13) counter.playMelody(transposed(themeOf(order), -12), kGlass, 22);
            break;
        case Section::Variation: {
            Melody theme = themeOf(order);
            lead.playMelody(theme, kLead, 64);
            answer.playMelody(delayed(transposed(theme, -12), kEchoDelay), kLead, 40);
            answer.panNotes(0x40);
            break;
        }
        case Section::Breakdown: {
            Melody slow = order % 2 == 0 ? slowThemeFirst() : slowThemeSecond();
            lead.playMelody(slow, kLead, 64);
            if (order >= 20) counter.playMelody(transposed(slow, 12), kGlass, 26);
            break;
        }
        case Section::Climax: {
            Melody theme = withDorianLift(transposed(themeOf(order), 12));
            lead.playMelody(theme, kLeadHigh, 64);
            if (order >= 27) {
                answer.playMelody(harmonyBelow(theme), kLeadHigh, 50);
                answer.panNotes(0x60);
            }
            Melody line = order >= 27 ? transposed(counterLineSecond(), 12) : counterLine();
            counter.playMelody(withDorianLift(line), kGlass, order >= 27 ? 48 : 50);
            break;
        }
        case Section::Outro:
            lead.playMelody(outroPhrase(), kLead, 52);
            counter.play(32, pitch(A, 5), kGlass, 32);
            break;
        default:
            break;
    }
    lead.release(0);
    answer.release(0);
    counter.release(0);
}

}  // namespace music
