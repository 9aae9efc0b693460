// Kick, snare and hats. Where the show's pictures pulse, the drums follow the
// pulse rows exactly: marks early in a bar are kicks, later ones snares.
#include "Arrangement.h"
#include "BeatGrid.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"

namespace music {

namespace {
constexpr int kDrumPitch = pitch(C, 4);
constexpr int kBeatVolume = 64;
constexpr int kGhostVolume = 14;

void writeHats(Track& hats, bool sixteenths, int level) {
    for (int row = 0; row < kRows; ++row) {
        int step = row % 16;
        int bar = row / 16;
        if (step == 14 && bar % 2 == 1) {
            hats.play(row, kDrumPitch, kOpenHat, level + 4);
        } else if (step % 2 == 0) {
            hats.play(row, kDrumPitch, kClosedHat, step % 4 == 0 ? level : level - 8);
        } else if (sixteenths) {
            hats.play(row, kDrumPitch, kClosedHat, level - 16);
        }
    }
}

void writeBeat(Track& kick, Track& snare, int order) {
    for (int row : beatRows(order)) {
        if (row % 16 < 8) {
            kick.play(row, kDrumPitch, kKick, kBeatVolume);
        } else {
            snare.play(row, kDrumPitch, kSnare, kBeatVolume - 4);
        }
    }
    // Quiet ghost notes between the marks, never on them.
    for (int row : {31, 44, 47, 60}) {
        if (!isBeatRow(order, row)) snare.play(row, kDrumPitch, kSnare, kGhostVolume);
    }
}

void writeFill(Track& snare, int order, int fromRow) {
    for (int row = fromRow; row < kRows; ++row) {
        if (isBeatRow(order, row) || snare.holdsNote(row)) continue;
        snare.play(row, kDrumPitch, kSnare, 18 + 4 * (row - fromRow));
    }
}
}  // namespace

void writeDrums(xm::Pattern& pattern, int order) {
    Track kick(pattern, kKickChannel);
    Track snare(pattern, kSnareChannel);
    Track hats(pattern, kHatChannel);
    switch (sectionOf(order)) {
        case Section::Build:
            if (order >= 4) writeHats(hats, false, order == 4 ? 16 : 22);
            break;
        case Section::Groove:
        case Section::Variation:
            writeBeat(kick, snare, order);
            writeHats(hats, false, 28);
            if (order == 17) writeFill(snare, order, 58);
            break;
        case Section::Rebuild:
            // A kick on every beat, growing towards the climax; a roll in the last bar.
            for (int row = 0; row < kRows; row += 4) kick.play(row, kDrumPitch, kKick, 22 + row * 38 / 60);
            writeHats(hats, false, 22);
            writeFill(snare, order, 52);
            break;
        case Section::Climax:
            writeBeat(kick, snare, order);
            writeHats(hats, true, 30);
            if (order == 30) writeFill(snare, order, 58);
            break;
        default:
            break;
    }
}

}  // namespace music
