#include "Harmony.h"

#include <algorithm>
#include <cstdlib>

#include "Arrangement.h"

namespace music {

namespace {
constexpr Chord kAm{A, true};
constexpr Chord kDm{D, true};
constexpr Chord kEm{E, true};
constexpr Chord kC{C, false};
constexpr Chord kD{D, false};
constexpr Chord kE{E, false};
constexpr Chord kF{F, false};
constexpr Chord kG{G, false};

// The pads stay between G-3 and D-5.
constexpr int kPadLowest = pitch(G, 3);
constexpr int kPadHighest = pitch(D, 5);
}  // namespace

std::array<int, 3> Chord::tones() const { return {root, (root + (minor ? 3 : 4)) % 12, (root + 7) % 12}; }

Progression progressionOf(int order) {
    if (order == 0) return {kAm, kAm, kF, kF};
    switch (sectionOf(order)) {
        case Section::Build:
            return {kAm, kEm, kF, kG};
        case Section::Breakdown:
            return {kDm, kAm, kE, kAm};
        case Section::Rebuild:
            return {kDm, kF, kG, kE};
        case Section::Climax:
            return {kAm, kD, kC, kG};
        case Section::Outro:
            return {kAm, kF, kAm, kAm};
        default:
            return {kAm, kF, kC, kG};
    }
}

Chord chordAt(int order, int row) { return progressionOf(order)[(row / 16) % 4]; }

int bassRoot(const Chord& chord) {
    int note = pitch(chord.root, 1);
    return note < pitch(A, 1) ? note + 12 : note;
}

std::array<int, 3> voiceLead(const Chord& chord, const std::array<int, 3>& previous) {
    // Every close voicing in range: one of each chord tone, within an octave.
    std::array<int, 3> tones = chord.tones();
    std::array<int, 3> best{};
    int bestCost = -1;
    for (int low = kPadLowest; low <= kPadHighest; ++low) {
        if (std::find(tones.begin(), tones.end(), pitchClassOf(low)) == tones.end()) continue;
        std::array<int, 3> voicing{low, 0, 0};
        int found = 1;
        for (int p = low + 1; p < low + 12 && found < 3 && p <= kPadHighest; ++p)
            if (std::find(tones.begin(), tones.end(), pitchClassOf(p)) != tones.end()) voicing[found++] = p;
        if (found < 3) continue;
        int cost = 0;
        for (int v = 0; v < 3; ++v) cost += std::abs(voicing[v] - previous[v]);
        if (bestCost < 0 || cost < bestCost) {
            bestCost = cost;
            best = voicing;
        }
    }
    return best;
}

int dorianLift(int pitch) { return pitchClassOf(pitch) == F ? pitch + 1 : pitch; }

}  // namespace music
