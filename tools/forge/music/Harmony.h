// Pitches, chords and the chord progression of every order.
#pragma once

#include <array>
#include <vector>

namespace music {

// Pitches count semitones from C-0; a pattern cell's note is pitch + 1.
enum PitchClass { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };
constexpr int pitch(int pitchClass, int octave) { return octave * 12 + pitchClass; }
constexpr int pitchClassOf(int pitch) { return ((pitch % 12) + 12) % 12; }

struct Chord {
    int root;  // pitch class
    bool minor;
    // Root, third and fifth as pitch classes.
    std::array<int, 3> tones() const;
};

// One chord per bar, four bars per order.
using Progression = std::array<Chord, 4>;

Progression progressionOf(int order);

// The chord under a row of an order.
Chord chordAt(int order, int row);

// The chord's root in the bass register, A-1 to G#-2.
int bassRoot(const Chord& chord);

// Three pad voices (low to high) for a chord, placed to move as little as
// possible from the previous voicing.
std::array<int, 3> voiceLead(const Chord& chord, const std::array<int, 3>& previous);

// The climax raises every F to F sharp: A minor turned Dorian.
int dorianLift(int pitch);

}  // namespace music
