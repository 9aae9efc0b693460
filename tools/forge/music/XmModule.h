// An extended tracker module held in memory: patterns of note cells,
// instruments with one 16-bit sample each, and the song's order list.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

// Note values of a pattern cell: 1 is C-0, 96 is B-7, 97 releases the note.
constexpr uint8_t kNoteOff = 97;

// Effect numbers of the effect column.
enum Effect : uint8_t {
    kPortamentoUp = 0x1,
    kTonePortamento = 0x3,
    kSetPanning = 0x8,
    kExtended = 0xE,  // parameter 0xCx cuts the note at tick x
    kGlobalVolume = 0x10,
    kGlobalVolumeSlide = 0x11,
};

// Volume column: 0x10 + v sets volume v (0..64).
constexpr uint8_t volumeColumn(int volume) { return static_cast<uint8_t>(0x10 + volume); }

struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

class Pattern {
public:
    Pattern(int rows, int channels) : rows(rows), channels(channels), cells(rows * channels) {}
    Cell& at(int row, int channel) { return cells.at(row * channels + channel); }
    const Cell& at(int row, int channel) const { return cells.at(row * channels + channel); }
    int rowCount() const { return rows; }
    int channelCount() const { return channels; }

private:
    int rows;
    int channels;
    std::vector<Cell> cells;
};

// Points are (tick, level 0..64); at most 12.
struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    int sustainPoint = -1;  // held until the note is released; -1 for none
};

struct Sample {
    std::vector<int16_t> pcm;
    bool looped = false;
    uint32_t loopStart = 0;  // in samples
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    uint8_t panning = 128;
    int8_t relativeNote = 0;  // semitones from the 8363 Hz rate at C-4
    int8_t finetune = 0;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volumeEnvelope;  // no points: the envelope is off
    uint16_t fadeout = 0;     // volume lost per tick after release, of 32768
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
};

struct Module {
    std::string name;
    std::string trackerName;
    int channels = 0;
    int speed = 6;  // ticks per row
    int tempo = 125;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

}  // namespace xm
