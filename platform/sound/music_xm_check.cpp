#include "platform/sound/music_xm_check.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSignature[] = "Extended Module: ";
constexpr size_t kSignatureLength = sizeof(kSignature) - 1;
constexpr size_t kHeaderSizeOffset = 60;  // the header size counts from here

// Little-endian reads that treat anything past the end as missing.
class XmReader {
public:
    XmReader(const uint8_t* bytes, size_t size) : bytes(bytes), size(size) {}

    bool has(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
    uint32_t u8(uint64_t offset) const { return bytes[offset]; }
    uint32_t u16(uint64_t offset) const { return u8(offset) | u8(offset + 1) << 8; }
    uint32_t u32(uint64_t offset) const { return u16(offset) | u16(offset + 2) << 16; }

private:
    const uint8_t* bytes;
    size_t size;
};

// The highest instrument number named by the packed cells in [begin, end),
// which lie inside the file. A cell is a flag byte (bit 7 set) followed by
// the fields its bits 0 to 4 name (note, instrument, volume, effect,
// parameter), or else a note followed by all four other fields. Every byte
// is counted, even past the pattern's last cell, which can only add
// instruments to what must be present.
uint32_t highestInstrumentIn(const XmReader& in, uint64_t begin, uint64_t end) {
    uint32_t highest = 0;
    uint64_t at = begin;
    while (at < end) {
        uint32_t flags = in.u8(at++);
        if (flags & 0x80) {
            if (flags & 0x01) ++at;  // note
        } else {
            flags = 0x1e;  // the byte was the note; everything else follows
        }
        if ((flags & 0x02) && at < end) highest = std::max(highest, in.u8(at));
        for (uint32_t field = 0x02; field <= 0x10; field <<= 1) {
            if (flags & field) ++at;
        }
    }
    return highest;
}

// The offset just past the patterns starting at `offset`, or 0 when the file
// ends first. `highestInstrument` rises to the highest instrument number
// their cells name.
uint64_t skipPatterns(const XmReader& in, uint64_t offset, uint32_t patterns, uint32_t& highestInstrument) {
    for (uint32_t i = 0; i < patterns; ++i) {
        if (!in.has(offset, 9)) return 0;
        uint32_t headerLength = in.u32(offset);
        uint32_t packedSize = in.u16(offset + 7);
        uint64_t cells = offset + headerLength;
        offset = cells + packedSize;
        if (!in.has(0, offset)) return 0;
        // Each pattern's cells follow the previous one's, so all of them
        // together are read at most once.
        highestInstrument = std::max(highestInstrument, highestInstrumentIn(in, cells, offset));
    }
    return offset;
}

// The offset just past the instruments and their samples, or 0 when the file
// ends first.
uint64_t skipInstruments(const XmReader& in, uint64_t offset, uint32_t instruments) {
    for (uint32_t i = 0; i < instruments; ++i) {
        if (!in.has(offset, 29)) return 0;
        uint32_t headerSize = in.u32(offset);
        uint32_t samples = in.u16(offset + 27);
        if (samples == 0) {
            if (headerSize == 0) return offset;  // the same empty instrument again and again
            offset += headerSize;
            if (!in.has(0, offset)) return 0;
            continue;
        }
        if (!in.has(offset, 33)) return 0;
        uint32_t sampleHeaderSize = in.u32(offset + 29);
        uint64_t sampleHeader = offset + headerSize;
        uint64_t data = sampleHeader + uint64_t{samples} * sampleHeaderSize;
        if (!in.has(0, data)) return 0;
        // Sample headers of size 0 all lie on the same bytes: one is read for
        // all. Otherwise they fit in the file, which bounds the loop.
        const uint32_t distinctHeaders = sampleHeaderSize == 0 ? 1 : samples;
        const uint32_t repeats = sampleHeaderSize == 0 ? samples : 1;
        for (uint32_t s = 0; s < distinctHeaders; ++s, sampleHeader += sampleHeaderSize) {
            if (!in.has(sampleHeader, 18)) return 0;
            uint64_t length = in.u32(sampleHeader);
            // Packed 4-bit samples: a 16-byte table, then two samples a byte.
            if (in.u8(sampleHeader + 17) == 0xad) length = 16 + (length + 1) / 2;
            data += length * repeats;
        }
        if (!in.has(0, data)) return 0;
        // An instrument that takes no bytes is followed by itself: the rest
        // are the same and fit as well.
        if (data == offset) return offset;
        offset = data;
    }
    return offset;
}

}  // namespace

bool isTruncatedXm(const uint8_t* bytes, size_t size) {
    if (size < kSignatureLength || std::memcmp(bytes, kSignature, kSignatureLength) != 0) return false;
    XmReader in(bytes, size);
    if (!in.has(kHeaderSizeOffset, 16)) return true;
    if (in.u16(58) != 0x0104) return false;
    uint64_t headerEnd = kHeaderSizeOffset + uint64_t{in.u32(kHeaderSizeOffset)};
    if (!in.has(0, headerEnd)) return true;
    uint32_t highestInstrument = 0;
    uint64_t patternsEnd = skipPatterns(in, headerEnd, in.u16(70), highestInstrument);
    if (patternsEnd == 0) return true;
    // Instruments past the last one a cell names are never heard, and may be
    // missing or cut.
    uint32_t heardInstruments = std::min(in.u16(72), highestInstrument);
    return skipInstruments(in, patternsEnd, heardInstruments) == 0;
}
