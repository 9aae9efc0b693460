#include "XmWriter.h"

#include <stdexcept>
#include <string>

namespace xm {
namespace {

constexpr uint32_t kHeaderSize = 276;  // counted from the header size field on
constexpr uint32_t kPatternHeaderSize = 9;
constexpr uint32_t kInstrumentHeaderSize = 263;
constexpr uint32_t kSampleHeaderSize = 40;

class ByteWriter {
public:
    void u8(uint32_t value) { bytes.push_back(static_cast<uint8_t>(value)); }
    void u16(uint32_t value) {
        u8(value & 0xff);
        u8(value >> 8);
    }
    void u32(uint32_t value) {
        u16(value & 0xffff);
        u16(value >> 16);
    }
    // A text in a fixed field, padded with zeros; longer texts are cut.
    void text(const std::string& value, size_t width) {
        for (size_t i = 0; i < width; ++i) u8(i < value.size() ? static_cast<uint8_t>(value[i]) : 0);
    }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    size_t size() const { return bytes.size(); }
    std::vector<uint8_t> bytes;
};

void fail(const std::string& what) { throw std::runtime_error("module: " + what); }

void validate(const Module& module) {
    if (module.channels < 2 || module.channels > 32 || module.channels % 2 != 0)
        fail("channel count must be even, 2 to 32");
    if (module.orders.empty() || module.orders.size() > 256) fail("order list must hold 1 to 256 entries");
    if (module.patterns.empty() || module.patterns.size() > 256) fail("1 to 256 patterns");
    if (module.instruments.size() > 128) fail("at most 128 instruments");
    if (module.speed < 1 || module.speed > 31) fail("speed out of range");
    if (module.tempo < 32 || module.tempo > 255) fail("tempo out of range");
    for (uint8_t order : module.orders)
        if (order >= module.patterns.size()) fail("order names a missing pattern");
    for (const Pattern& pattern : module.patterns) {
        if (pattern.channelCount() != module.channels) fail("pattern channel count differs from the song's");
        if (pattern.rowCount() < 1 || pattern.rowCount() > 256) fail("pattern rows out of range");
        for (int row = 0; row < pattern.rowCount(); ++row)
            for (int channel = 0; channel < module.channels; ++channel) {
                const Cell& cell = pattern.at(row, channel);
                if (cell.note > kNoteOff) fail("note out of range in row " + std::to_string(row));
                if (cell.instrument > module.instruments.size()) fail("cell names a missing instrument");
            }
    }
    for (const Instrument& instrument : module.instruments) {
        const Sample& sample = instrument.sample;
        if (sample.pcm.empty()) fail("instrument " + instrument.name + " has no sample data");
        if (sample.looped && (sample.loopLength == 0 || sample.loopStart + sample.loopLength > sample.pcm.size()))
            fail("instrument " + instrument.name + " loops outside its sample");
        if (sample.volume > 64) fail("sample volume above 64");
        if (instrument.volumeEnvelope.points.size() > 12) fail("envelope with more than 12 points");
        uint16_t lastTick = 0;
        for (size_t i = 0; i < instrument.volumeEnvelope.points.size(); ++i) {
            auto [tick, level] = instrument.volumeEnvelope.points[i];
            if (level > 64) fail("envelope level above 64");
            if (i > 0 && tick <= lastTick) fail("envelope ticks must rise");
            lastTick = tick;
        }
    }
}

void writePattern(ByteWriter& out, const Pattern& pattern) {
    // Every cell is stored whole: five bytes, none of them packed away.
    uint32_t dataSize = static_cast<uint32_t>(pattern.rowCount() * pattern.channelCount() * 5);
    if (dataSize > 0xffff) fail("pattern too large");
    out.u32(kPatternHeaderSize);
    out.u8(0);  // packing type
    out.u16(pattern.rowCount());
    out.u16(dataSize);
    for (int row = 0; row < pattern.rowCount(); ++row)
        for (int channel = 0; channel < pattern.channelCount(); ++channel) {
            const Cell& cell = pattern.at(row, channel);
            out.u8(cell.note);
            out.u8(cell.instrument);
            out.u8(cell.volume);
            out.u8(cell.effect);
            out.u8(cell.parameter);
        }
}

void writeInstrument(ByteWriter& out, const Instrument& instrument) {
    const size_t start = out.size();
    out.u32(kInstrumentHeaderSize);
    out.text(instrument.name, 22);
    out.u8(0);   // type
    out.u16(1);  // one sample
    out.u32(kSampleHeaderSize);
    out.zeros(96);  // every note plays sample 0
    const Envelope& envelope = instrument.volumeEnvelope;
    for (size_t i = 0; i < 12; ++i) {
        out.u16(i < envelope.points.size() ? envelope.points[i].first : 0);
        out.u16(i < envelope.points.size() ? envelope.points[i].second : 0);
    }
    out.zeros(48);  // panning envelope, unused
    out.u8(static_cast<uint32_t>(envelope.points.size()));
    out.u8(0);  // panning points
    out.u8(envelope.sustainPoint >= 0 ? envelope.sustainPoint : 0);
    out.u8(0);     // volume loop start
    out.u8(0);     // volume loop end
    out.zeros(3);  // panning sustain and loop
    uint32_t volumeType = envelope.points.empty() ? 0 : 1;
    if (!envelope.points.empty() && envelope.sustainPoint >= 0) volumeType |= 2;
    out.u8(volumeType);
    out.u8(0);  // panning type
    out.u8(instrument.vibratoType);
    out.u8(instrument.vibratoSweep);
    out.u8(instrument.vibratoDepth);
    out.u8(instrument.vibratoRate);
    out.u16(instrument.fadeout);
    out.zeros(start + kInstrumentHeaderSize - out.size());  // reserved

    const Sample& sample = instrument.sample;
    out.u32(static_cast<uint32_t>(sample.pcm.size() * 2));
    out.u32(sample.looped ? sample.loopStart * 2 : 0);
    out.u32(sample.looped ? sample.loopLength * 2 : 0);
    out.u8(sample.volume);
    out.u8(static_cast<uint8_t>(sample.finetune));
    out.u8((sample.looped ? 1 : 0) | 0x10);  // forward loop, 16-bit
    out.u8(sample.panning);
    out.u8(static_cast<uint8_t>(sample.relativeNote));
    out.u8(0);  // plain delta coding
    out.text(instrument.name, 22);

    // Each value is stored as its difference from the previous one.
    uint16_t previous = 0;
    for (int16_t value : sample.pcm) {
        uint16_t current = static_cast<uint16_t>(value);
        out.u16(static_cast<uint16_t>(current - previous));
        previous = current;
    }
}

}  // namespace

std::vector<uint8_t> encode(const Module& module) {
    validate(module);
    ByteWriter out;
    out.text("Extended Module: ", 17);
    out.text(module.name, 20);
    out.u8(0x1a);
    out.text(module.trackerName, 20);
    out.u16(0x0104);
    out.u32(kHeaderSize);
    out.u16(static_cast<uint32_t>(module.orders.size()));
    out.u16(0);  // restart position
    out.u16(module.channels);
    out.u16(static_cast<uint32_t>(module.patterns.size()));
    out.u16(static_cast<uint32_t>(module.instruments.size()));
    out.u16(1);  // linear frequency table
    out.u16(module.speed);
    out.u16(module.tempo);
    for (size_t i = 0; i < 256; ++i) out.u8(i < module.orders.size() ? module.orders[i] : 0);
    for (const Pattern& pattern : module.patterns) writePattern(out, pattern);
    for (const Instrument& instrument : module.instruments) writeInstrument(out, instrument);
    return out.bytes;
}

}  // namespace xm
