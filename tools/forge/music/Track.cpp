#include "Track.h"

#include <stdexcept>
#include <string>

#include "Instruments.h"

namespace music {

namespace {
uint8_t noteOf(int pitch) {
    if (pitch < 0 || pitch > 95) throw std::runtime_error("pitch " + std::to_string(pitch) + " out of range");
    return static_cast<uint8_t>(pitch + 1);
}

int clampVolume(int volume) { return volume < 0 ? 0 : (volume > 64 ? 64 : volume); }
}  // namespace

xm::Cell& Track::cell(int row) {
    if (row < 0 || row >= pattern.rowCount()) throw std::runtime_error("row " + std::to_string(row) + " out of range");
    return pattern.at(row, channel);
}

void Track::play(int row, int pitch, uint8_t instrument, int volume) {
    if (pitch > topPitchOf(instrument))
        throw std::runtime_error("pitch " + std::to_string(pitch) + " above the clean range of instrument " +
                                 std::to_string(instrument));
    xm::Cell& target = cell(row);
    target.note = noteOf(pitch);
    target.instrument = instrument;
    target.volume = xm::volumeColumn(clampVolume(volume));
    // A note that glides does not restart, so a restarted note drops the glide.
    if (target.effect == xm::kTonePortamento) target.effect = target.parameter = 0;
}

void Track::glide(int row, int pitch, uint8_t speed) {
    xm::Cell& target = cell(row);
    target.note = noteOf(pitch);
    target.effect = xm::kTonePortamento;
    target.parameter = speed;
}

void Track::release(int row) {
    if (row >= pattern.rowCount()) return;
    xm::Cell& target = cell(row);
    if (target.note == 0) target.note = xm::kNoteOff;
}

void Track::cut(int row, int tick) { effect(row, xm::kExtended, static_cast<uint8_t>(0xC0 | (tick & 0xF))); }

void Track::effect(int row, uint8_t effect, uint8_t parameter) {
    xm::Cell& target = cell(row);
    target.effect = effect;
    target.parameter = parameter;
}

void Track::volume(int row, int volume) { cell(row).volume = xm::volumeColumn(clampVolume(volume)); }

bool Track::holdsNote(int row) const { return pattern.at(row, channel).note != 0; }

void Track::panNotes(uint8_t panning) {
    for (int row = 0; row < pattern.rowCount(); ++row) {
        xm::Cell& target = cell(row);
        if (target.note != 0 && target.note != xm::kNoteOff && target.effect == 0 && target.parameter == 0)
            effect(row, xm::kSetPanning, panning);
    }
}

void Track::playMelody(const Melody& melody, uint8_t instrument, int volume) {
    for (size_t i = 0; i < melody.size(); ++i) {
        const MelodyNote& note = melody[i];
        play(note.row, note.pitch, instrument, volume);
        int end = note.row + note.length;
        int next = i + 1 < melody.size() ? melody[i + 1].row : pattern.rowCount();
        if (end < next) release(end);
    }
}

}  // namespace music
