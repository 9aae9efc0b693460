// Kick, snare, hats and cymbals. Where the show's pictures pulse, the drums
// follow the pulse rows exactly: marks early in a bar are kicks, later ones
// snares. Everything between the marks stays soft, so the marked hits are
// the strongest onsets of their bar.
#include <vector>

#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"
#include "show/score.h"

namespace music {

namespace {
constexpr int kDrumPitch = pitch(C, 4);
constexpr int kBeatVolume = 64;
constexpr int kGhostVolume = 9;

enum class HatPattern {
    Eighths,     // closed hats on the even steps
    Sixteenths,  // and quieter ones between: the groove's second half
    Offbeats,    // the off-beat eighths lead: the variation
    Climax,      // sixteenths with an open hat on the last eighth of every bar
};

void writeHats(Track& hats, int order, HatPattern pattern, int level) {
    for (int row = 0; row < kRows; ++row) {
        int step = row % 16;
        int bar = row / 16;
        // Only the marked rows get an accent; the hats between them stay down.
        int accent = show::isBeatRow(order, row) ? 4 : 0;
        bool openBar = pattern == HatPattern::Climax || bar % 2 == 1;
        if (step == 14 && openBar) {
            hats.play(row, kDrumPitch, kOpenHat, level - 10);
        } else if (step % 2 == 0) {
            bool offbeat = step % 4 == 2;
            int volume = pattern == HatPattern::Offbeats ? (offbeat ? level - 6 : level - 14) : level - 10;
            hats.play(row, kDrumPitch, kClosedHat, volume + accent);
        } else if ((pattern == HatPattern::Sixteenths || pattern == HatPattern::Climax) &&
                   !show::isBeatRow(order, row) && !show::isBeatRow(order, row + 1)) {
            hats.play(row, kDrumPitch, kClosedHat, level - 16);
        }
    }
}

// Quiet ghost snares between the marks, a different scatter as the song goes on.
const std::vector<int>& ghostRows(int order) {
    static const std::vector<int> first{31, 44, 47, 60};
    static const std::vector<int> second{15, 31, 46, 62};
    static const std::vector<int> third{13, 29, 44, 47, 61, 63};
    static const std::vector<int> fourth{7, 23, 39, 44, 55, 62};
    if (order <= 11) return first;
    if (order <= 13 || order == 24 || order == 28) return second;
    if (order % 2 == 0) return third;
    return fourth;
}

void writeBeat(Track& kick, Track& snare, int order) {
    for (int row : show::beatRows(order)) {
        if (row % 16 < 8) {
            kick.play(row, kDrumPitch, kKick, kBeatVolume);
        } else {
            snare.play(row, kDrumPitch, kSnare, kBeatVolume - 4);
        }
    }
    for (int row : ghostRows(order)) {
        if (!show::isBeatRow(order, row)) snare.play(row, kDrumPitch, kSnare, kGhostVolume);
    }
}

void writeFill(Track& snare, int order, int fromRow) {
    for (int row = fromRow; row < kRows; ++row) {
        if (show::isBeatRow(order, row) || snare.holdsNote(row)) continue;
        snare.play(row, kDrumPitch, kSnare, 18 + 4 * (row - fromRow));
    }
}

// The climax adds a cymbal layer as it goes: a crash on the first row of
// every other order, a ride on the quarters from its second order, on the
// eighths from its fourth, and a crash on every bar in its last.
void writeCymbals(Track& ride, Track& crash, int order) {
    int step = order - 23;
    if (step % 2 == 0) crash.play(0, kDrumPitch, kRide, 50);
    if (order == 30)
        for (int row : {17, 33, 49}) crash.play(row, kDrumPitch, kRide, 40);
    if (step < 1) return;
    int spacing = step < 3 ? 4 : 2;
    for (int row = 0; row < kRows; row += spacing) {
        if (ride.holdsNote(row)) continue;
        ride.play(row, kDrumPitch, kRide, show::isBeatRow(order, row) ? 24 : 16);
    }
}
}  // namespace

void writeDrums(xm::Pattern& pattern, int order) {
    Track kick(pattern, kKickChannel);
    Track snare(pattern, kSnareChannel);
    Track hats(pattern, kHatChannel);
    switch (sectionOf(order)) {
        case Section::Build:
            if (order >= 4) writeHats(hats, order, HatPattern::Eighths, order == 4 ? 20 : 26);
            break;
        case Section::Groove:
            writeBeat(kick, snare, order);
            writeHats(hats, order, order < 12 ? HatPattern::Eighths : HatPattern::Sixteenths, 30);
            if (order == 13) writeFill(snare, order, 60);
            break;
        case Section::Variation:
            writeBeat(kick, snare, order);
            writeHats(hats, order, HatPattern::Offbeats, 30);
            if (order == 17) writeFill(snare, order, 58);
            break;
        case Section::Rebuild:
            // A kick on every beat, growing towards the climax; a roll in the last bar.
            for (int row = 0; row < kRows; row += 4) kick.play(row, kDrumPitch, kKick, 22 + row * 38 / 60);
            writeHats(hats, order, HatPattern::Eighths, 24);
            writeFill(snare, order, 52);
            break;
        case Section::Climax: {
            writeBeat(kick, snare, order);
            writeHats(hats, order, HatPattern::Climax, 32);
            Track ride(pattern, kRideChannel);
            Track crash(pattern, kCrashChannel);
            writeCymbals(ride, crash, order);
            if (order == 30) writeFill(snare, order, 58);
            break;
        }
        default:
            break;
    }
}

}  // namespace music
