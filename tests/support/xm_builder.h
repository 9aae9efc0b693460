// A tiny writer of XM modules, so that the music tests build the songs they
// play instead of committing binary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct XmNote {
    int row = 0;
    int channel = 0;
    int note = 49;  // 1..96; 49 is C-4, which plays the sample at its own rate; 0 for none
    int instrument = 1;
    int effect = 0;  // effect column: 0xB jumps to an order, 0xD breaks to the next one
    int parameter = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmNote> notes;
};

struct XmSong {
    int channels = 4;
    int speed = 6;  // ticks per row
    int bpm = 125;  // 2.5 / bpm seconds per tick
    std::vector<XmPattern> patterns;
    std::vector<int> orders;  // pattern index of each order
    // 16-bit sample data of instrument 1. An empty sample makes a module
    // without instruments.
    std::vector<int16_t> sample;
    bool loopSample = false;  // played once, or repeated for as long as the note lasts
    // Instruments 2, 3, ... after it, each one 16-bit sample played once.
    std::vector<std::vector<int16_t>> moreInstruments;
    // Cells stored packed (a flag byte and only the fields in use) rather
    // than all five bytes of each.
    bool packCells = false;
};

// Where the parts of a built module start, as byte offsets into it.
struct XmLayout {
    std::vector<size_t> patterns;
    std::vector<size_t> instruments;
    std::vector<size_t> sampleData;  // of each instrument
};

// The bytes of an XM file (version 0x0104) holding `song`; `layout`, when
// given, receives where its parts start.
std::vector<uint8_t> buildXm(const XmSong& song, XmLayout* layout = nullptr);

// A song of `orders` orders, each playing its own `rows`-row pattern at speed
// 6 and 125 BPM (0.12 s a row), with a short full-scale click on channel 0 at
// the first tick of every row and silence between clicks.
XmSong clickSong(int orders, int rows = 64);

// A song of `orders` 64-row orders for measuring the mixer: every one of
// `channels` channels holds a looped tone and changes its note every 4 rows.
XmSong busySong(int orders, int channels);

// Writes `bytes` to `path`; throws std::runtime_error when it cannot.
void writeXmFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A path for a scratch file of this test program, unique per process.
std::string xmScratchPath(const std::string& name);
