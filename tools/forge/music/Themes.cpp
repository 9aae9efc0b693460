#include "Themes.h"

#include "Harmony.h"

namespace music {

namespace {
constexpr int kA4 = pitch(A, 4), kB4 = pitch(B, 4), kGs4 = pitch(Gs, 4), kG4 = pitch(G, 4), kF4 = pitch(F, 4),
              kE4 = pitch(E, 4);
constexpr int kC5 = pitch(C, 5), kD5 = pitch(D, 5), kE5 = pitch(E, 5), kF5 = pitch(F, 5), kG5 = pitch(G, 5),
              kGs5 = pitch(Gs, 5), kA5 = pitch(A, 5), kB5 = pitch(B, 5);
constexpr int kC6 = pitch(C, 6);

// The first three bars of the main theme; its last bar varies.
Melody mainThemeOpening() {
    return {
        {0, kE5, 3},  {3, kA5, 3},  {6, kG5, 2},  {8, kE5, 6},  {14, kD5, 2},                // Am
        {16, kC5, 3}, {19, kD5, 3}, {22, kE5, 2}, {24, kF5, 3}, {27, kE5, 3}, {30, kC5, 2},  // F
        {32, kE5, 3}, {35, kG5, 3}, {38, kC6, 2}, {40, kB5, 4}, {44, kG5, 4},                // C
    };
}
}  // namespace

Melody mainTheme() {
    Melody melody = mainThemeOpening();
    melody.insert(melody.end(), {{48, kD5, 6}, {54, kB4, 2}, {56, kD5, 4}, {60, kE5, 4}});  // G
    return melody;
}

Melody mainThemeTurn() {
    Melody melody = mainThemeOpening();
    melody.insert(melody.end(), {{48, kD5, 3}, {51, kE5, 3}, {54, kG5, 2}, {56, kA5, 8}});  // G
    return melody;
}

Melody answerTheme() {
    return {
        {0, kA5, 3},  {3, kG5, 3},  {6, kE5, 2},  {8, kC5, 4},  {12, kD5, 4},  // Am
        {16, kE5, 6}, {22, kF5, 2}, {24, kA5, 4}, {28, kG5, 2}, {30, kF5, 2},  // F
        {32, kE5, 3}, {35, kD5, 3}, {38, kC5, 2}, {40, kE5, 4}, {44, kG5, 4},  // C
        {48, kB4, 3}, {51, kC5, 3}, {54, kD5, 2}, {56, kE5, 8},                // G
    };
}

Melody slowThemeFirst() {
    return {
        {0, kA5, 12},  {12, kF5, 4},                 // Dm
        {16, kE5, 12}, {28, kC5, 4},                 // Am
        {32, kB4, 8},  {40, kGs4, 4}, {44, kB4, 4},  // E
        {48, kA4, 16},                               // Am
    };
}

Melody slowThemeSecond() {
    return {
        {0, kD5, 6},   {6, kF5, 6},  {12, kA5, 4},  // Dm
        {16, kC6, 12}, {28, kB5, 4},                // Am
        {32, kGs5, 8}, {40, kE5, 8},                // E
        {48, kA5, 16},                              // Am
    };
}

Melody counterLine() {
    return {
        {0, kC5, 6},  {6, kB4, 2},  {8, kA4, 8},  // Am
        {16, kA4, 8}, {24, kF4, 8},               // D (lifted to F sharp)
        {32, kG4, 8}, {40, kE4, 8},               // C
        {48, kB4, 8}, {56, kD5, 8},               // G
    };
}

Melody counterLineSecond() {
    return {
        {0, kA4, 4},  {4, kB4, 4},  {8, kC5, 8},   // Am
        {16, kD5, 4}, {20, kC5, 4}, {24, kA4, 8},  // D (F sharp by the lift)
        {32, kG4, 4}, {36, kA4, 4}, {40, kC5, 8},  // C
        {48, kB4, 4}, {52, kD5, 4}, {56, kE5, 8},  // G
    };
}

Melody themeOpening() {
    Melody opening = mainThemeOpening();
    opening.resize(5);
    return opening;
}

Melody harmonyBelow(const Melody& melody) {
    static const int dorian[7] = {A, B, C, D, E, Fs, G};
    Melody result = melody;
    for (MelodyNote& note : result) {
        int degree = 0;
        while (degree < 7 && dorian[degree] != pitchClassOf(note.pitch)) ++degree;
        if (degree == 7) continue;  // not in the scale: doubled instead
        int below = dorian[(degree + 5) % 7];
        note.pitch -= (pitchClassOf(note.pitch) - below + 12) % 12;
    }
    return result;
}

Melody outroPhrase() {
    Melody phrase = mainThemeOpening();
    phrase.resize(11);  // the first two bars
    phrase.push_back({32, kA4, 32});
    return phrase;
}

Melody transposed(const Melody& melody, int semitones) {
    Melody result = melody;
    for (MelodyNote& note : result) note.pitch += semitones;
    return result;
}

Melody withDorianLift(const Melody& melody) {
    Melody result = melody;
    for (MelodyNote& note : result) note.pitch = dorianLift(note.pitch);
    return result;
}

Melody delayed(const Melody& melody, int rows) {
    Melody result;
    for (MelodyNote note : melody) {
        note.row += rows;
        if (note.row < 64) result.push_back(note);
    }
    return result;
}

}  // namespace music
