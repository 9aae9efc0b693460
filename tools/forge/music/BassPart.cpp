// The bass line: roots, octaves and fifths of each bar's chord, with a
// stepping note into the next chord in the later sections. Where a kick
// lands the bass ducks, 12 dB for a row and 6 dB for the next, so the two
// do not smear the low end and the kick stays the accent.
#include <vector>

#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"
#include "show/score.h"

namespace music {

namespace {
// An interval that steps into the next bar's root from the scale note below it.
constexpr int kApproach = -100;

struct BassStep {
    int step;      // row within the bar
    int interval;  // semitones above the root, or kApproach
    int length;    // rows
};

using BassBar = std::vector<BassStep>;

const BassBar kGrooveBar = {
    {0, 0, 2}, {2, 12, 1}, {6, 0, 2}, {8, 0, 1}, {10, 7, 2}, {12, 12, 2}, {14, 7, 2},
};
// The groove's second half: held roots, syncopated octaves, a step into the next chord.
const BassBar kSecondGrooveBar = {
    {0, 0, 3}, {4, 12, 1}, {6, 7, 2}, {8, 12, 1}, {10, 0, 1}, {11, 7, 1}, {12, 12, 2}, {14, kApproach, 2},
};
// The variation walks: longer notes, fifths and octaves, an approach on the last eighth.
const BassBar kWalkingBar = {
    {0, 0, 4}, {5, 7, 1}, {6, 12, 2}, {10, 7, 2}, {12, 12, 1}, {13, 7, 1}, {14, kApproach, 2},
};
const BassBar kClimaxBar = {
    {0, 0, 2}, {2, 12, 1}, {6, 0, 2}, {8, 0, 1}, {10, 7, 2}, {12, 12, 2}, {14, 7, 1}, {15, 12, 1},
};
const BassBar kClimaxStepBar = {
    {0, 0, 2}, {2, 12, 1}, {6, 0, 2}, {8, 0, 1}, {10, 7, 2}, {12, 12, 2}, {14, kApproach, 2},
};
// Octaves on every sixteenth but the kicks': the climax's second and fourth pairs of orders.
const BassBar kPumpBar = {
    {0, 0, 1}, {1, 12, 1},  {2, 0, 1},  {4, 12, 1}, {6, 0, 1},   {7, 12, 1},
    {8, 7, 1}, {10, 12, 1}, {11, 7, 1}, {12, 0, 1}, {14, 12, 1}, {15, kApproach, 1},
};
// Driving eighths that climb through the fifth: the climax's last order.
const BassBar kDrivingBar = {
    {0, 0, 2}, {2, 0, 1}, {4, 7, 1}, {6, 12, 1}, {8, 12, 1}, {10, 7, 1}, {12, 5, 1}, {14, kApproach, 2},
};
const BassBar kPulseBar = {
    {0, 0, 1}, {2, 0, 1}, {4, 0, 1}, {6, 0, 1}, {8, 12, 1}, {10, 0, 1}, {12, 12, 1}, {14, 0, 1},
};
const BassBar kLongBar = {{0, 0, 14}};
const BassBar kWholeBar = {{0, 0, 16}};

bool isKickRow(int order, int row) { return row >= 0 && row < kRows && show::isBeatRow(order, row) && row % 16 < 8; }

// The bass's level on a row: a quarter (-12 dB) under a kick, half (-6 dB)
// on the row after, so it comes back up the way a compressor lets go.
int duckedVolume(int order, int row, int volume) {
    if (isKickRow(order, row)) return volume / 4;
    if (isKickRow(order, row - 1)) return volume / 2;
    return volume;
}

bool inScale(int pitchClass) {
    static const bool aMinor[12] = {true, false, true, false, true, true, false, true, false, true, false, true};
    return aMinor[pitchClassOf(pitchClass)];
}

// The scale note just below the next bar's root, in the register of this bar's root.
int approachTo(int nextRoot, int root) {
    int target = nextRoot;
    while (target > root + 6) target -= 12;
    while (target < root - 5) target += 12;
    return inScale(target - 1) ? target - 1 : target - 2;
}

void playBars(Track& bass, int order, const BassBar& bar, int volumeFrom, int volumeTo) {
    std::vector<int> starts;
    for (int b = 0; b < 4; ++b)
        for (const BassStep& step : bar) starts.push_back(b * 16 + step.step);
    size_t index = 0;
    for (int b = 0; b < 4; ++b) {
        Progression chords = progressionOf(order);
        int root = bassRoot(chords[b]);
        int nextRoot = b < 3 ? bassRoot(chords[b + 1]) : bassRoot(progressionOf((order + 1) % kOrders)[0]);
        for (const BassStep& step : bar) {
            int row = b * 16 + step.step;
            int volume = volumeFrom + (volumeTo - volumeFrom) * row / (kRows - 1);
            int note = step.interval == kApproach ? approachTo(nextRoot, root) : root + step.interval;
            // The climax's scale has F sharp: its approach to G is the leading note.
            if (sectionOf(order) == Section::Climax) note = dorianLift(note);
            bass.play(row, note, kBass, duckedVolume(order, row, volume));
            int next = index + 1 < starts.size() ? starts[index + 1] : kRows;
            if (isKickRow(order, row + 1)) {
                bass.cut(row, 4);
            } else if (step.length == 1 && next > row + 1) {
                bass.cut(row, 5);
            } else if (row + step.length < next) {
                bass.release(row + step.length);
            }
            ++index;
        }
    }
    // Notes that sound through a kick duck with it.
    for (int row : show::beatRows(order)) {
        if (!isKickRow(order, row)) continue;
        for (int r = row; r < row + 3 && r < kRows; ++r)
            if (!bass.holdsNote(r)) bass.volume(r, duckedVolume(order, r, volumeFrom));
    }
}

const BassBar& climaxBar(int order) {
    switch ((order - 23) / 2) {
        case 0:
            return kClimaxBar;
        case 2:
            return kClimaxStepBar;
        default:
            return order == 30 ? kDrivingBar : kPumpBar;
    }
}
}  // namespace

void writeBass(xm::Pattern& pattern, int order) {
    Track bass(pattern, kBassChannel);
    switch (sectionOf(order)) {
        case Section::Intro:
            break;
        case Section::Build:
            if (order == 3) {
                playBars(bass, order, kLongBar, 44, 52);
            } else {
                playBars(bass, order, kPulseBar, 50, 56);
            }
            break;
        case Section::Groove:
            playBars(bass, order, order < 12 ? kGrooveBar : kSecondGrooveBar, 44, 44);
            break;
        case Section::Variation:
            playBars(bass, order, kWalkingBar, 44, 44);
            break;
        case Section::Breakdown:
            if (order > 18) playBars(bass, order, kWholeBar, 38, 38);
            break;
        case Section::Rebuild:
            playBars(bass, order, kPulseBar, 40, 60);
            break;
        case Section::Climax:
            playBars(bass, order, climaxBar(order), 46, 46);
            break;
        case Section::Outro: {
            Progression chords = progressionOf(order);
            bass.play(0, bassRoot(chords[0]), kBass, 52);
            bass.play(16, bassRoot(chords[1]), kBass, 50);
            bass.play(32, bassRoot(chords[2]), kBass, 48);
            break;
        }
    }
    // Whatever the previous order left sounding stops where this one is silent.
    bass.release(0);
}

}  // namespace music
