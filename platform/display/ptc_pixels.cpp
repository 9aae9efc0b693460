#include "platform/display/ptc_pixels.h"

#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/simd.h"

namespace {

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int width = 0;
};

Channel describe(uint32_t mask) {
    Channel channel;
    channel.mask = mask;
    if (mask == 0) return channel;
    while (((mask >> channel.shift) & 1u) == 0) ++channel.shift;
    while (channel.shift + channel.width < 32 && ((mask >> (channel.shift + channel.width)) & 1u) != 0) {
        ++channel.width;
    }
    return channel;
}

// Red, green, blue, alpha of one format.
struct Layout {
    Channel channels[4];
    explicit Layout(const ptc_format_t& format)
        : channels{describe(format.r), describe(format.g), describe(format.b), describe(format.a)} {}
};

const ptc_format_t& paletteEntryFormat() {
    static const ptc_format_t format = [] {
        ptc_format_t entry;
        entry.bits = 32;
        entry.r = 0xff0000;
        entry.g = 0x00ff00;
        entry.b = 0x0000ff;
        return entry;
    }();
    return format;
}

// Converts direct pixel values of one layout into another.
class ChannelConverter {
public:
    ChannelConverter(const ptc_format_t& from, const ptc_format_t& to) : source(from), target(to) {
        // A source without alpha is opaque.
        if (source.channels[3].width == 0) opaque = target.channels[3].mask;
    }

    uint32_t operator()(uint32_t value) const {
        uint32_t out = opaque;
        for (int i = 0; i < 4; ++i) {
            const Channel& in = source.channels[i];
            const Channel& out_channel = target.channels[i];
            if (in.width == 0 || out_channel.width == 0) continue;
            const uint32_t component = (value & in.mask) >> in.shift;
            out |= scaleChannel(component, in.width, out_channel.width) << out_channel.shift;
        }
        return out;
    }

private:
    Layout source;
    Layout target;
    uint32_t opaque = 0;
};

inline uint32_t readPixel(const uint8_t* at, int bytes) {
    switch (bytes) {
        case 1:
            return at[0];
        case 2: {
            uint16_t value;
            std::memcpy(&value, at, 2);
            return value;
        }
        case 3:
            return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16;
        default: {
            uint32_t value;
            std::memcpy(&value, at, 4);
            return value;
        }
    }
}

inline void writePixel(uint8_t* at, int bytes, uint32_t value) {
    switch (bytes) {
        case 1:
            at[0] = static_cast<uint8_t>(value);
            break;
        case 2: {
            const uint16_t narrow = static_cast<uint16_t>(value);
            std::memcpy(at, &narrow, 2);
            break;
        }
        case 3:
            at[0] = static_cast<uint8_t>(value);
            at[1] = static_cast<uint8_t>(value >> 8);
            at[2] = static_cast<uint8_t>(value >> 16);
            break;
        default:
            std::memcpy(at, &value, 4);
            break;
    }
}

// Finds the palette entry nearest to a colour, remembering earlier answers.
class NearestColour {
public:
    explicit NearestColour(const uint32_t* palette) : palette(palette) {}

    uint32_t operator()(uint32_t rgb) {
        const auto known = cache.find(rgb);
        if (known != cache.end()) return known->second;
        uint32_t best = 0;
        int64_t bestDistance = INT64_MAX;
        for (int i = 0; i < kPaletteEntries; ++i) {
            const int dr = int((rgb >> 16) & 0xff) - int((palette[i] >> 16) & 0xff);
            const int dg = int((rgb >> 8) & 0xff) - int((palette[i] >> 8) & 0xff);
            const int db = int(rgb & 0xff) - int(palette[i] & 0xff);
            const int64_t distance = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<uint32_t>(i);
            }
        }
        cache.emplace(rgb, best);
        return best;
    }

private:
    const uint32_t* palette;
    std::unordered_map<uint32_t, uint32_t> cache;
};

// Nearest-pixel sample positions: target offset i of `targetSize` samples
// source offset ((2i + 1) * sourceSize) / (2 * targetSize), the pixel under
// the target pixel's centre. Equal sizes give the identity.
inline int64_t samplePosition(int64_t sourceStart, int64_t sourceSize, int64_t targetOffset, int64_t targetSize) {
    // 128 bits: areas may span the whole int range on both sides.
    const __int128 scaled = (__int128(2) * targetOffset + 1) * sourceSize / (__int128(2) * targetSize);
    return sourceStart + static_cast<int64_t>(scaled);
}

// The target span [first, last) that lies inside the target and samples
// inside the source, with the source position of each target position.
struct Span {
    int first = 0;
    int last = 0;
    std::vector<int> sample;  // indexed by target position - first
};

Span mapSpan(int64_t sourceStart, int64_t sourceEnd, int sourceLimit, int64_t targetStart, int64_t targetEnd,
             int targetLimit) {
    Span span;
    const int64_t sourceSize = sourceEnd - sourceStart;
    const int64_t targetSize = targetEnd - targetStart;
    if (sourceSize <= 0 || targetSize <= 0) return span;
    int64_t first = targetStart < 0 ? 0 : targetStart;
    int64_t last = targetEnd > targetLimit ? targetLimit : targetEnd;
    // Sample positions never decrease, so trimming the ends leaves the part
    // that reads inside the source.
    while (first < last && samplePosition(sourceStart, sourceSize, first - targetStart, targetSize) < 0) ++first;
    while (first < last && samplePosition(sourceStart, sourceSize, last - 1 - targetStart, targetSize) >= sourceLimit) {
        --last;
    }
    if (first >= last) return span;
    span.first = static_cast<int>(first);
    span.last = static_cast<int>(last);
    span.sample.resize(static_cast<size_t>(last - first));
    // samplePosition stepped along without a division per position: the
    // numerator (2 offset + 1) x sourceSize grows by 2 sourceSize per step,
    // kept as quotient and remainder of 2 targetSize. Every value fits 64
    // bits since both sizes do in 33.
    const __int128 start = (__int128(2) * (first - targetStart) + 1) * sourceSize;
    const int64_t divisor = 2 * targetSize;
    int64_t quotient = static_cast<int64_t>(start / divisor);
    int64_t remainder = static_cast<int64_t>(start % divisor);
    const int64_t stepQuotient = (2 * sourceSize) / divisor;
    const int64_t stepRemainder = (2 * sourceSize) % divisor;
    for (int64_t position = first; position < last; ++position) {
        span.sample[static_cast<size_t>(position - first)] = static_cast<int>(sourceStart + quotient);
        quotient += stepQuotient;
        remainder += stepRemainder;
        if (remainder >= divisor) {
            remainder -= divisor;
            ++quotient;
        }
    }
    return span;
}

// A stretch of target columns whose samples are consecutive source columns,
// so it copies as one block.
struct ColumnRun {
    int target;  // offset from the span's first column
    int source;  // source column
    int length;
    // Whether reading and writing up to three pixels past the run stays
    // inside the source row and the target span, letting the run copy in
    // whole blocks of four.
    bool mayOverrun;
};

// A span with its runs of consecutive samples. Built once for each pair of
// source and target ranges and kept, since a show copies the same few areas
// frame after frame.
struct SpanMap {
    std::array<int64_t, 6> key{};
    Span span;
    std::vector<ColumnRun> runs;
    bool contiguous = false;
};

void findRuns(SpanMap& map, int sourceLimit) {
    map.runs.clear();
    const std::vector<int>& sample = map.span.sample;
    const int64_t count = static_cast<int64_t>(sample.size());
    for (size_t start = 0; start < sample.size();) {
        size_t end = start + 1;
        while (end < sample.size() && sample[end] == sample[end - 1] + 1) ++end;
        const int length = static_cast<int>(end - start);
        const bool readsInside = int64_t(sample[start]) + length + 3 <= sourceLimit;
        const bool writesInside = int64_t(start) + length + 3 <= count;
        map.runs.push_back(ColumnRun{static_cast<int>(start), sample[start], length, readsInside && writesInside});
        start = end;
    }
    map.contiguous = map.runs.size() == 1;
}

// A few maps per thread, replaced in turn. Columns and rows keep separate
// caches: a copy holds its column map while it looks up its row map, and one
// shared cache could hand that very slot over to the rows.
class SpanMapCache {
public:
    const SpanMap& get(int64_t sourceStart, int64_t sourceEnd, int sourceLimit, int64_t targetStart, int64_t targetEnd,
                       int targetLimit) {
        const std::array<int64_t, 6> key{sourceStart, sourceEnd, sourceLimit, targetStart, targetEnd, targetLimit};
        for (size_t i = 0; i < kKept; ++i) {
            if (filled[i] && maps[i].key == key) return maps[i];
        }
        SpanMap& map = maps[nextToReplace];
        filled[nextToReplace] = true;
        nextToReplace = (nextToReplace + 1) % kKept;
        map.key = key;
        map.span = mapSpan(sourceStart, sourceEnd, sourceLimit, targetStart, targetEnd, targetLimit);
        findRuns(map, sourceLimit);
        return map;
    }

private:
    static constexpr size_t kKept = 4;
    std::array<SpanMap, kKept> maps;
    std::array<bool, kKept> filled{};
    size_t nextToReplace = 0;
};

// One row of 32-bit pixels through the column runs. A run that may overrun
// copies whole blocks of four pixels; the up to three extra pixels it writes
// belong to later runs, which overwrite them. Runs near the ends of the
// source row or the target span finish pixel by pixel.
void copyRunsRow(const uint8_t* __restrict in, uint8_t* __restrict out, const std::vector<ColumnRun>& runs) {
    for (const ColumnRun& run : runs) {
        const uint8_t* from = in + 4 * ptrdiff_t(run.source);
        uint8_t* to = out + 4 * ptrdiff_t(run.target);
        int done = 0;
#if PEEKSTUN_SIMD
        const int blocks = run.mayOverrun ? run.length : run.length - 3;
        for (; done < blocks; done += 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * done),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * done)));
        }
#endif
        if (done < run.length) std::memcpy(to + 4 * done, from + 4 * done, 4 * size_t(run.length - done));
    }
}

// The per-row loops of the frame copies, kept out of line with restrict so
// that no store is taken to change the lookup table or the sample list.
// Rows of 32-bit pixels may start at any byte, so pixels move by memcpy.
void gatherRow(const uint8_t* __restrict in, uint8_t* __restrict out, const int* __restrict sample, int count) {
    for (int i = 0; i < count; ++i) std::memcpy(out + 4 * ptrdiff_t(i), in + 4 * ptrdiff_t(sample[i]), 4);
}

void lookupRow(const uint8_t* __restrict in, uint8_t* __restrict out, const uint32_t* __restrict lookup, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint32_t four[4] = {lookup[in[i]], lookup[in[i + 1]], lookup[in[i + 2]], lookup[in[i + 3]]};
        std::memcpy(out + 4 * ptrdiff_t(i), four, sizeof four);
    }
    for (; i < count; ++i) std::memcpy(out + 4 * ptrdiff_t(i), &lookup[in[i]], 4);
}

}  // namespace

bool maskIsContiguous(uint32_t mask) {
    if (mask == 0) return true;
    while ((mask & 1u) == 0) mask >>= 1;
    return (mask & (mask + 1)) == 0;
}

uint32_t scaleChannel(uint32_t value, int from, int to) {
    if (from == to) return value;
    if (from > to) return value >> (from - to);
    uint32_t out = 0;
    for (int filled = 0; filled < to; filled += from) {
        const int shift = to - filled - from;
        out |= shift >= 0 ? value << shift : value >> -shift;
    }
    return out;
}

void copyPixels(const PixelSource& source, PixelRect from, const PixelTarget& target, PixelRect to) {
    const ptc_format_t& sourceFormat = *source.format;
    const ptc_format_t& targetFormat = *target.format;
    if (sourceFormat.empty() || targetFormat.empty()) throw DynamicError("Cannot copy pixels of an empty format");
    if (sourceFormat.indexed && !source.palette) throw DynamicError("An indexed source needs a palette");
    if (targetFormat.indexed && !target.palette) throw DynamicError("An indexed target needs a palette");

    thread_local SpanMapCache columnMaps;
    thread_local SpanMapCache rowMaps;
    const SpanMap& columnMap = columnMaps.get(from.left, from.right, source.width, to.left, to.right, target.width);
    const SpanMap& rowMap = rowMaps.get(from.top, from.bottom, source.height, to.top, to.bottom, target.height);
    const Span& columns = columnMap.span;
    const Span& rows = rowMap.span;
    if (columns.sample.empty() || rows.sample.empty()) return;

    const int sourceBytes = sourceFormat.bytes();
    const int targetBytes = targetFormat.bytes();
    const int count = columns.last - columns.first;
    auto sourceRow = [&](int row) { return source.pixels + rows.sample[row] * source.pitch; };
    auto targetRow = [&](int row) {
        return target.pixels + (rows.first + row) * target.pitch + ptrdiff_t(columns.first) * targetBytes;
    };
    const int rowCount = rows.last - rows.first;

    // Same layout, one source pixel per target pixel: whole rows at once.
    if (sourceFormat.sameLayout(targetFormat) && columnMap.contiguous) {
        const size_t rowBytes = size_t(count) * sourceBytes;
        const ptrdiff_t offset = ptrdiff_t(columns.sample[0]) * sourceBytes;
        for (int row = 0; row < rowCount; ++row) std::memcpy(targetRow(row), sourceRow(row) + offset, rowBytes);
        return;
    }
    if (sourceFormat.sameLayout(targetFormat)) {
        const size_t rowBytes = size_t(count) * sourceBytes;
        for (int row = 0; row < rowCount; ++row) {
            uint8_t* out = targetRow(row);
            // A row sampling the same source row as the one above is a copy
            // of the target row already made.
            if (row > 0 && rows.sample[row] == rows.sample[row - 1]) {
                std::memcpy(out, targetRow(row - 1), rowBytes);
                continue;
            }
            const uint8_t* in = sourceRow(row);
            if (sourceBytes == 4 && columnMap.runs.size() * 4 <= size_t(count)) {
                copyRunsRow(in, out, columnMap.runs);
            } else if (sourceBytes == 4) {
                gatherRow(in, out, columns.sample.data(), count);
            } else {
                for (int i = 0; i < count; ++i) {
                    std::memcpy(out + ptrdiff_t(i) * sourceBytes, in + ptrdiff_t(columns.sample[i]) * sourceBytes,
                                sourceBytes);
                }
            }
        }
        return;
    }

    // Indexed into direct: the palette converted once, then a lookup per pixel.
    if (sourceFormat.indexed && !targetFormat.indexed) {
        uint32_t lookup[kPaletteEntries];
        const ChannelConverter convert(paletteEntryFormat(), targetFormat);
        for (int i = 0; i < kPaletteEntries; ++i) lookup[i] = convert(source.palette[i] & 0x00ffffffu);
        const bool contiguous = columnMap.contiguous;
        for (int row = 0; row < rowCount; ++row) {
            const uint8_t* in = sourceRow(row);
            uint8_t* out = targetRow(row);
            if (targetBytes == 4 && contiguous) {
                lookupRow(in + columns.sample[0], out, lookup, count);
            } else if (targetBytes == 4) {
                for (int i = 0; i < count; ++i) std::memcpy(out + 4 * i, &lookup[in[columns.sample[i]]], 4);
            } else {
                for (int i = 0; i < count; ++i) {
                    writePixel(out + ptrdiff_t(i) * targetBytes, targetBytes, lookup[in[columns.sample[i]]]);
                }
            }
        }
        return;
    }

    // Direct into indexed: the nearest colour of the target's palette.
    if (targetFormat.indexed) {
        const ChannelConverter toRgb(sourceFormat, paletteEntryFormat());
        NearestColour nearest(target.palette);
        for (int row = 0; row < rowCount; ++row) {
            const uint8_t* in = sourceRow(row);
            uint8_t* out = targetRow(row);
            for (int i = 0; i < count; ++i) {
                const uint32_t value = readPixel(in + ptrdiff_t(columns.sample[i]) * sourceBytes, sourceBytes);
                out[i] = static_cast<uint8_t>(nearest(toRgb(value) & 0x00ffffffu));
            }
        }
        return;
    }

    // Direct into another direct layout.
    const ChannelConverter convert(sourceFormat, targetFormat);
    for (int row = 0; row < rowCount; ++row) {
        const uint8_t* in = sourceRow(row);
        uint8_t* out = targetRow(row);
        for (int i = 0; i < count; ++i) {
            const uint32_t value = readPixel(in + ptrdiff_t(columns.sample[i]) * sourceBytes, sourceBytes);
            writePixel(out + ptrdiff_t(i) * targetBytes, targetBytes, convert(value));
        }
    }
}
