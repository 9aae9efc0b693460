#include "xm_builder.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace {

class ByteWriter {
public:
    void u8(int value) { bytes.push_back(static_cast<uint8_t>(value)); }
    void u16(int value) {
        u8(value & 0xff);
        u8((value >> 8) & 0xff);
    }
    void u32(uint32_t value) {
        u16(static_cast<int>(value & 0xffff));
        u16(static_cast<int>(value >> 16));
    }
    // `text` padded with zeros (or cut) to exactly `size` bytes.
    void text(const std::string& value, size_t size) {
        for (size_t i = 0; i < size; ++i) u8(i < value.size() ? value[i] : 0);
    }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }

    std::vector<uint8_t> bytes;
};

void writeHeader(ByteWriter& out, const XmSong& song) {
    out.text("Extended Module: ", 17);
    out.text("test song", 20);
    out.u8(0x1a);
    out.text("xm builder", 20);
    out.u16(0x0104);
    out.u32(276);  // header size, counted from this field
    out.u16(static_cast<int>(song.orders.size()));
    out.u16(0);  // restart position
    out.u16(song.channels);
    out.u16(static_cast<int>(song.patterns.size()));
    out.u16(song.sample.empty() ? 0 : 1 + static_cast<int>(song.moreInstruments.size()));
    out.u16(1);  // linear frequency table
    out.u16(song.speed);
    out.u16(song.bpm);
    for (size_t i = 0; i < 256; ++i) out.u8(i < song.orders.size() ? song.orders[i] : 0);
}

// The cell's five bytes whole, or packed: a flag byte naming the fields that
// follow, the empty ones left out.
void writeCell(ByteWriter& out, const uint8_t* cell, bool pack) {
    if (!pack) {
        out.bytes.insert(out.bytes.end(), cell, cell + 5);
        return;
    }
    int flags = 0x80;
    for (int i = 0; i < 5; ++i) flags |= cell[i] ? 1 << i : 0;
    out.u8(flags);
    for (int i = 0; i < 5; ++i) {
        if (cell[i]) out.u8(cell[i]);
    }
}

void writePattern(ByteWriter& out, const XmPattern& pattern, int channels, bool pack) {
    // Cells: note, instrument, volume, effect, parameter.
    std::vector<uint8_t> cells(static_cast<size_t>(pattern.rows) * channels * 5, 0);
    for (const XmNote& note : pattern.notes) {
        if (note.row < 0 || note.row >= pattern.rows || note.channel < 0 || note.channel >= channels) {
            throw std::invalid_argument("note outside its pattern");
        }
        size_t cell = (static_cast<size_t>(note.row) * channels + note.channel) * 5;
        cells[cell] = static_cast<uint8_t>(note.note);
        cells[cell + 1] = static_cast<uint8_t>(note.instrument);
        cells[cell + 3] = static_cast<uint8_t>(note.effect);
        cells[cell + 4] = static_cast<uint8_t>(note.parameter);
    }
    ByteWriter data;
    for (size_t cell = 0; cell < cells.size(); cell += 5) writeCell(data, &cells[cell], pack);
    out.u32(9);  // pattern header size
    out.u8(0);   // packing type
    out.u16(pattern.rows);
    out.u16(static_cast<int>(data.bytes.size()));
    out.bytes.insert(out.bytes.end(), data.bytes.begin(), data.bytes.end());
}

void writeInstrument(ByteWriter& out, const std::vector<int16_t>& sample, bool loop, size_t* sampleData) {
    out.u32(263);  // instrument header size
    out.text("click", 22);
    out.u8(0);
    out.u16(1);          // one sample
    out.u32(40);         // sample header size
    out.zeros(96);       // every note plays sample 0
    out.zeros(48 + 48);  // volume and panning envelope points
    out.zeros(2 + 6);    // point counts, sustain and loop points
    out.zeros(2);        // envelopes off
    out.zeros(4);        // no vibrato
    out.u16(0);          // fadeout
    out.zeros(22);       // reserved

    out.u32(static_cast<uint32_t>(sample.size() * 2));
    out.u32(0);  // loop start
    out.u32(loop ? static_cast<uint32_t>(sample.size() * 2) : 0);
    out.u8(64);                  // volume
    out.u8(0);                   // finetune
    out.u8(loop ? 0x11 : 0x10);  // 16-bit, forward loop or none
    out.u8(128);                 // panning
    out.u8(0);                   // relative note
    out.u8(0);                   // reserved
    out.text("click", 22);
    if (sampleData) *sampleData = out.bytes.size();

    int16_t previous = 0;
    for (int16_t value : sample) {
        out.u16(static_cast<uint16_t>(value - previous));  // delta-encoded
        previous = value;
    }
}

}  // namespace

std::vector<uint8_t> buildXm(const XmSong& song, XmLayout* layout) {
    if (song.orders.empty() || song.orders.size() > 256) throw std::invalid_argument("orders must be 1 to 256");
    if (song.sample.empty() && !song.moreInstruments.empty()) {
        throw std::invalid_argument("more instruments need instrument 1");
    }
    XmLayout parts;
    ByteWriter out;
    writeHeader(out, song);
    for (const XmPattern& pattern : song.patterns) {
        parts.patterns.push_back(out.bytes.size());
        writePattern(out, pattern, song.channels, song.packCells);
    }
    if (!song.sample.empty()) {
        parts.instruments.push_back(out.bytes.size());
        parts.sampleData.push_back(0);
        writeInstrument(out, song.sample, song.loopSample, &parts.sampleData.back());
    }
    for (const std::vector<int16_t>& sample : song.moreInstruments) {
        parts.instruments.push_back(out.bytes.size());
        parts.sampleData.push_back(0);
        writeInstrument(out, sample, false, &parts.sampleData.back());
    }
    if (layout) *layout = parts;
    return out.bytes;
}

XmSong clickSong(int orders, int rows) {
    XmSong song;
    for (int order = 0; order < orders; ++order) {
        XmPattern pattern;
        pattern.rows = rows;
        for (int row = 0; row < rows; ++row) pattern.notes.push_back({row, 0, 49, 1});
        song.patterns.push_back(pattern);
        song.orders.push_back(order);
    }
    // 64 frames of a full-scale square wave: a click that has died away long
    // before the next row starts.
    for (int i = 0; i < 64; ++i) song.sample.push_back((i / 8) % 2 ? -30000 : 30000);
    return song;
}

XmSong busySong(int orders, int channels) {
    XmSong song;
    song.channels = channels;
    for (int order = 0; order < orders; ++order) {
        XmPattern pattern;
        for (int row = 0; row < 64; row += 4) {
            for (int channel = 0; channel < channels; ++channel) {
                int note = 37 + (order * 5 + row / 4 * 3 + channel * 7) % 36;
                pattern.notes.push_back({row, channel, note, 1});
            }
        }
        song.patterns.push_back(pattern);
        song.orders.push_back(order);
    }
    // One period of a soft sawtooth, looped: a tone as long as its note.
    for (int i = 0; i < 256; ++i) song.sample.push_back(static_cast<int16_t>((i - 128) * 48));
    song.loopSample = true;
    return song;
}

void writeXmFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path);
    // An empty vector may hold no buffer at all, which fwrite must not be given.
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    if (std::fclose(file) != 0 || written != bytes.size()) throw std::runtime_error("cannot write " + path);
}

std::string xmScratchPath(const std::string& name) {
    return "/tmp/peekstun-test-" + std::to_string(getpid()) + "-" + name;
}
