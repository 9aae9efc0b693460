// The pads hold each bar's chord on three channels; the arpeggio runs through
// the same chord above them.
#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"

namespace music {

namespace {
constexpr uint8_t kPadGlide = 0x20;  // two semitones per tick: a chord change without a new attack

// The pads open up over the intro: dark, then warm, then bright.
uint8_t padInstrument(int order) {
    if (order == 0) return kPadDark;
    if (order == 1) return kPadWarm;
    return kPadBright;
}

int padVolume(int order) {
    switch (sectionOf(order)) {
        case Section::Intro:
            return 34 - 4 * order;
        case Section::Build:
            return 24;
        case Section::Breakdown:
            return 28;
        case Section::Outro:
            return 28;
        default:
            return 20;
    }
}

// The arpeggio walks root, third, fifth, octave, tenth and back.
int arpeggioPitch(const Chord& chord, int index) {
    static const int shape[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    std::array<int, 3> tones = chord.tones();
    // Roots from F sharp up start in octave 4, the others in octave 5.
    int root = pitch(chord.root, chord.root >= Fs ? 4 : 5);
    int k = shape[index % 8];
    int pitchClass = tones[k % 3];
    int note = root + ((pitchClass - chord.root + 12) % 12) + 12 * (k / 3);
    return note;
}
}  // namespace

void writePads(xm::Pattern& pattern, int order, std::array<int, 3>& voicing) {
    static const uint8_t panning[3] = {0x50, 0x80, 0xb0};
    Track voices[3] = {{pattern, kPadChannel}, {pattern, kPadChannel + 1}, {pattern, kPadChannel + 2}};
    bool restart = order == 0 || sectionOf(order) == Section::Intro || opensSection(order);
    for (int bar = 0; bar < 4; ++bar) {
        int row = bar * 16;
        std::array<int, 3> next = voiceLead(progressionOf(order)[bar], voicing);
        for (int v = 0; v < 3; ++v) {
            if (restart && bar == 0) {
                voices[v].play(row, next[v], padInstrument(order), padVolume(order));
                voices[v].effect(row, xm::kSetPanning, panning[v]);
            } else if (next[v] != voicing[v]) {
                voices[v].glide(row, next[v], kPadGlide);
            }
        }
        voicing = next;
    }
    if (sectionOf(order) == Section::Outro) {
        // The last chord is restarted on the third bar and left to ring out.
        for (int v = 0; v < 3; ++v) voices[v].play(32, voicing[v], kPadBright, padVolume(order));
    }
}

void writeArpeggio(xm::Pattern& pattern, int order) {
    Track arpeggio(pattern, kArpeggioChannel);
    Section section = sectionOf(order);
    int spacing = 0;  // rows between notes; 0 is silence
    int volume = 22;
    switch (section) {
        case Section::Intro:
            spacing = order == 0 ? 0 : (order == 1 ? 6 : 2);
            volume = 12;
            break;
        case Section::Build:
            spacing = 2;
            volume = 11;
            break;
        case Section::Groove:
            spacing = 2;
            volume = 9;
            break;
        case Section::Variation:
            spacing = 1;
            volume = 9;
            break;
        case Section::Breakdown:
            spacing = 2;
            volume = 7;
            break;
        case Section::Rebuild:
            spacing = 1;
            volume = 5;
            break;
        case Section::Climax:
            spacing = 1;
            volume = 9;
            break;
        case Section::Outro:
            spacing = 0;
            break;
    }
    if (spacing == 0) return;
    for (int row = 0; row < kRows; ++row) {
        int step = row % 16;
        if (step % spacing != 0 || (spacing == 6 && step > 12)) continue;
        int accent = step % 4 == 0 ? 3 : 0;
        int rise = section == Section::Rebuild ? row / 6 : 0;
        arpeggio.play(row, arpeggioPitch(chordAt(order, row), step / spacing), kArpeggio, volume + accent + rise);
    }
}

}  // namespace music
