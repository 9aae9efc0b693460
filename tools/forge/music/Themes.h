// The tune's melodies, written once and transformed where they return.
#pragma once

#include <vector>

namespace music {

struct MelodyNote {
    int row;
    int pitch;
    int length;  // rows
};

// One order's worth of melody (rows 0-63).
using Melody = std::vector<MelodyNote>;

Melody mainTheme();          // the question: four bars over Am F C G
Melody mainThemeTurn();      // the same, with a turn upwards in its last bar
Melody answerTheme();        // the answer over the same chords
Melody slowThemeFirst();     // the breakdown's long notes over Dm Am E Am
Melody slowThemeSecond();    // their continuation, an octave higher at its peak
Melody counterLine();        // half notes under the climax's theme
Melody counterLineSecond();  // its second half: quarters that climb where the first fell
Melody themeOpening();       // the main theme's first bar
Melody outroPhrase();        // the theme's first phrase and the final tonic

Melody transposed(const Melody& melody, int semitones);
Melody withDorianLift(const Melody& melody);
// Each note joined by the scale note a third below (A Dorian: F sharp, not F).
Melody harmonyBelow(const Melody& melody);
// Notes moved later by `rows`; those that would start past the order are dropped.
Melody delayed(const Melody& melody, int rows);

}  // namespace music
