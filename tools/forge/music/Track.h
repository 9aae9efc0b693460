// Writing one channel of one pattern: notes, releases and effects by row.
#pragma once

#include <cstdint>

#include "Themes.h"
#include "XmModule.h"

namespace music {

class Track {
public:
    Track(xm::Pattern& pattern, int channel) : pattern(pattern), channel(channel) {}

    // Starts a note with its instrument at the given volume (0..64).
    void play(int row, int pitch, uint8_t instrument, int volume);
    // Bends the sounding note to a new pitch without restarting it.
    void glide(int row, int pitch, uint8_t speed);
    // Releases the sounding note, unless the row already holds something.
    void release(int row);
    // Silences the note at the given tick of the row.
    void cut(int row, int tick);
    void effect(int row, uint8_t effect, uint8_t parameter);
    void volume(int row, int volume);
    bool holdsNote(int row) const;
    // Sets the panning (0..255) on every note this track starts, which
    // otherwise takes its instrument's.
    void panNotes(uint8_t panning);

    // Plays a melody, releasing each note that ends before the next begins.
    void playMelody(const Melody& melody, uint8_t instrument, int volume);

private:
    xm::Cell& cell(int row);
    xm::Pattern& pattern;
    int channel;
};

}  // namespace music
