// The pads hold each bar's chord on three channels and, below or above them,
// a slow line of their own; the arpeggio runs through the same chord above.
#include <cstdlib>

#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"
#include "show/score.h"

namespace music {

namespace {
constexpr uint8_t kPadGlide = 0x20;  // two semitones per tick: a chord change without a new attack

// The pads open up over the intro (dark, then warm, then bright), keep the
// warm colour through the build and the groove, brighten for the variation
// and the climax, and sink back to dark for the breakdown.
uint8_t padInstrument(int order) {
    switch (sectionOf(order)) {
        case Section::Intro:
            return order == 0 ? kPadDark : (order == 1 ? kPadWarm : kPadBright);
        case Section::Variation:
        case Section::Climax:
            return kPadBright;
        case Section::Breakdown:
            return kPadDark;
        default:
            return kPadWarm;
    }
}

int padVolume(int order) {
    switch (sectionOf(order)) {
        case Section::Intro:
            return 54 - 6 * order;
        case Section::Build:
            return 48;
        case Section::Breakdown:
            return 60;
        case Section::Outro:
            return 46;
        case Section::Climax:
            return 54;
        default:
            return 46;
    }
}

// The arpeggio's figures: indices into root, third, fifth, octave, tenth.
const int kUpAndDown[8] = {0, 1, 2, 3, 4, 3, 2, 1};
const int kLeaping[8] = {0, 2, 1, 3, 2, 4, 3, 1};

int arpeggioPitch(const Chord& chord, int index, const int (&shape)[8]) {
    std::array<int, 3> tones = chord.tones();
    // Roots from F sharp up start in octave 4, the others in octave 5.
    int root = pitch(chord.root, chord.root >= Fs ? 4 : 5);
    int k = shape[index % 8];
    int pitchClass = tones[k % 3];
    return root + ((pitchClass - chord.root + 12) % 12) + 12 * (k / 3);
}

// The chord tone nearest to `from` within the pads' range above G-4.
int nearestChordTone(const Chord& chord, int from) {
    int best = -1;
    for (int p = pitch(G, 4); p <= pitch(D, 5); ++p) {
        for (int tone : chord.tones()) {
            if (pitchClassOf(p) != tone) continue;
            if (best < 0 || std::abs(p - from) <= std::abs(best - from)) best = p;
        }
    }
    return best;
}

// The low pad's own line: the dark pad on the roots under the build and the
// breakdown, and in the climax the warm pad high above the chords, moving to
// the nearest tone of each new chord.
void writeLowPad(Track& line, int order) {
    Section section = sectionOf(order);
    Progression chords = progressionOf(order);
    if (section == Section::Intro && order == 2) {
        line.play(0, pitch(A, 2), kPadDark, 40);
    } else if (section == Section::Build) {
        for (int bar = 0; bar < 4; bar += order < 5 ? 2 : 1)
            line.play(bar * 16, pitch(chords[bar].root, chords[bar].root >= Fs ? 2 : 3), kPadDark, 36);
    } else if (section == Section::Breakdown) {
        // Root, then a step down to the next chord's tone halfway through each bar.
        for (int bar = 0; bar < 4; ++bar) {
            int root = pitch(chords[bar].root, chords[bar].root >= Fs ? 2 : 3);
            line.play(bar * 16, root, kPadDark, 50);
            int third = chords[bar].minor ? 3 : 4;
            line.play(bar * 16 + 10, root + (order % 2 == 0 ? third : 7), kPadDark, 40);
        }
    } else if (section == Section::Climax && order >= 26) {
        // From the third pair of orders on, a second tone below on each bar's half.
        int note = pitch(C, 5);
        for (int bar = 0; bar < 4; ++bar) {
            note = nearestChordTone(chords[bar], note);
            line.play(bar * 16, note, kPadWarm, 48);
            if (order >= 27) line.play(bar * 16 + 8, nearestChordTone(chords[bar], note - 3), kPadWarm, 44);
        }
    } else if (section == Section::Outro) {
        line.play(0, pitch(A, 2), kPadDark, 40);
    }
    line.release(0);
}
}  // namespace

void writePads(xm::Pattern& pattern, int order, std::array<int, 3>& voicing) {
    static const uint8_t panning[3] = {0x50, 0x80, 0xb0};
    Track voices[3] = {{pattern, kPadChannel}, {pattern, kPadChannel + 1}, {pattern, kPadChannel + 2}};
    bool restart = order == 0 || sectionOf(order) == Section::Intro || opensSection(order);
    // Late in the climax the pads strike each chord afresh, and again on the bar's last quarter.
    bool strike = sectionOf(order) == Section::Climax && order >= 29;
    for (int bar = 0; bar < 4; ++bar) {
        int row = bar * 16;
        std::array<int, 3> next = voiceLead(progressionOf(order)[bar], voicing);
        for (int v = 0; v < 3; ++v) {
            if ((restart && bar == 0) || strike) {
                voices[v].play(row, next[v], padInstrument(order), padVolume(order));
                voices[v].effect(row, xm::kSetPanning, panning[v]);
                if (strike) voices[v].play(row + 12, next[v], padInstrument(order), padVolume(order) - 6);
            } else if (next[v] != voicing[v]) {
                voices[v].glide(row, next[v], kPadGlide);
            }
        }
        voicing = next;
    }
    if (sectionOf(order) == Section::Outro) {
        // The last chord is restarted on the third bar and left to ring out.
        for (int v = 0; v < 3; ++v) voices[v].play(32, voicing[v], kPadWarm, padVolume(order));
    }
    Track line(pattern, kLowPadChannel);
    writeLowPad(line, order);
}

void writeArpeggio(xm::Pattern& pattern, int order) {
    Track arpeggio(pattern, kArpeggioChannel);
    Section section = sectionOf(order);
    int spacing = 0;  // rows between notes; 0 is silence
    int volume = 22;
    switch (section) {
        case Section::Intro:
            spacing = order == 0 ? 0 : (order == 1 ? 6 : 2);
            volume = 16;
            break;
        case Section::Build:
            spacing = 2;
            volume = 14;
            break;
        case Section::Groove:
            spacing = 2;
            volume = 15;
            break;
        case Section::Variation:
            spacing = 1;
            volume = 13;
            break;
        case Section::Breakdown:
            spacing = 2;
            volume = 11;
            break;
        case Section::Rebuild:
            spacing = 1;
            volume = 7;
            break;
        case Section::Climax:
            spacing = 1;
            volume = 15;
            break;
        case Section::Outro:
            spacing = 0;
            break;
    }
    if (spacing == 0) return;
    // The second halves of the groove, the variation and the climax leap instead of climbing.
    bool leaping = (section == Section::Groove && order >= 12) || (section == Section::Variation && order >= 16) ||
                   (section == Section::Climax && order >= 27);
    const int(&shape)[8] = leaping ? kLeaping : kUpAndDown;
    for (int row = 0; row < kRows; ++row) {
        int step = row % 16;
        if (step % spacing != 0 || (spacing == 6 && step > 12)) continue;
        // Accents fall on the marked rows only, so the kick and snare lead.
        int accent = show::isBeatRow(order, row) ? 3 : 0;
        int rise = section == Section::Rebuild ? row / 6 : 0;
        arpeggio.play(row, arpeggioPitch(chordAt(order, row), step / spacing, shape), kArpeggio,
                      volume + accent + rise);
    }
}

}  // namespace music
