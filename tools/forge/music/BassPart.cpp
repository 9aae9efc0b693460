// The bass line: roots, octaves and fifths of each bar's chord. Where a kick
// lands, the bass note is cut short so the two do not smear the low end.
#include <vector>

#include "Arrangement.h"
#include "BeatGrid.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"

namespace music {

namespace {
struct BassStep {
    int step;      // row within the bar
    int interval;  // semitones above the root
    int length;    // rows
};

const std::vector<BassStep> kGrooveBar = {
    {0, 0, 2}, {2, 12, 1}, {6, 0, 2}, {8, 0, 1}, {10, 7, 2}, {12, 12, 2}, {14, 7, 2},
};
const std::vector<BassStep> kClimaxBar = {
    {0, 0, 2}, {2, 12, 1}, {6, 0, 2}, {8, 0, 1}, {10, 7, 2}, {12, 12, 2}, {14, 7, 1}, {15, 12, 1},
};
const std::vector<BassStep> kPulseBar = {
    {0, 0, 1}, {2, 0, 1}, {4, 0, 1}, {6, 0, 1}, {8, 12, 1}, {10, 0, 1}, {12, 12, 1}, {14, 0, 1},
};
const std::vector<BassStep> kLongBar = {{0, 0, 14}};
const std::vector<BassStep> kWholeBar = {{0, 0, 16}};

bool kickNear(int order, int row) {
    return (isBeatRow(order, row) && row % 16 < 8) || (isBeatRow(order, row + 1) && (row + 1) % 16 < 8);
}

void playBars(Track& bass, int order, const std::vector<BassStep>& bar, int volumeFrom, int volumeTo) {
    std::vector<int> starts;
    for (int b = 0; b < 4; ++b)
        for (const BassStep& step : bar) starts.push_back(b * 16 + step.step);
    size_t index = 0;
    for (int b = 0; b < 4; ++b) {
        int root = bassRoot(progressionOf(order)[b]);
        for (const BassStep& step : bar) {
            int row = b * 16 + step.step;
            int volume = volumeFrom + (volumeTo - volumeFrom) * row / (kRows - 1);
            bass.play(row, root + step.interval, kBass, volume);
            int next = index + 1 < starts.size() ? starts[index + 1] : kRows;
            if (kickNear(order, row)) {
                bass.cut(row, 4);
            } else if (step.length == 1 && next > row + 1) {
                bass.cut(row, 5);
            } else if (row + step.length < next) {
                bass.release(row + step.length);
            }
            ++index;
        }
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
                playBars(bass, order, kLongBar, 34, 40);
            } else {
                playBars(bass, order, kPulseBar, 36, 42);
            }
            break;
        case Section::Groove:
        case Section::Variation:
            playBars(bass, order, kGrooveBar, 42, 42);
            break;
        case Section::Breakdown:
            if (order > 18) playBars(bass, order, kWholeBar, 26, 26);
            break;
        case Section::Rebuild:
            playBars(bass, order, kPulseBar, 30, 48);
            break;
        case Section::Climax:
            playBars(bass, order, kClimaxBar, 44, 44);
            break;
        case Section::Outro: {
            Progression chords = progressionOf(order);
            bass.play(0, bassRoot(chords[0]), kBass, 40);
            bass.play(16, bassRoot(chords[1]), kBass, 38);
            bass.play(32, bassRoot(chords[2]), kBass, 36);
            break;
        }
    }
    // Whatever the previous order left sounding stops where this one is silent.
    bass.release(0);
}

}  // namespace music
