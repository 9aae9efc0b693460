#include "effects/cStatic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/saturatingAdd.h"
#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "platform/simd.h"

namespace {

bool usesColumns(int mode) {
    return mode == cStatic::MODE_COLUMN_STREAKS || mode == cStatic::MODE_COLUMN_STREAKS_GRAIN;
}
bool usesRows(int mode) { return mode == cStatic::MODE_ROW_STREAKS || mode == cStatic::MODE_ROW_STREAKS_GRAIN; }
bool usesGrain(int mode) {
    return mode == cStatic::MODE_GRAIN || mode == cStatic::MODE_COLUMN_STREAKS_GRAIN ||
           mode == cStatic::MODE_ROW_STREAKS_GRAIN;
}

// One row's pixels x = from to to - 1, left to right: the grey
// rowStreak + columnStreaks[x] (when there are column streaks) + a grain
// drawn from seed (when grainLevel is not 0), wrapping at 256.
void addNoiseScalar(uint32_t* row, int from, int to, const uint8_t* columnStreaks, uint8_t rowStreak,
                    uint8_t grainLevel, uint32_t& seed) {
    for (int x = from; x < to; ++x) {
        uint8_t v = rowStreak;
        if (columnStreaks) v = static_cast<uint8_t>(v + columnStreaks[x]);
        if (grainLevel) {
            seed = showRandStep(seed);
            v = static_cast<uint8_t>(v + showRandValue(seed) % grainLevel);
        }
        row[x] = saturatingAdd(row[x], v * 0x010101u);  // grey (v, v, v)
    }
}

// The row's streak, drawn before its pixels when there are row streaks
// (streakLevel not 0).
inline uint8_t drawRowStreak(uint8_t streakLevel, uint32_t& seed) {
    if (streakLevel == 0) return 0;
    seed = showRandStep(seed);
    return static_cast<uint8_t>(showRandValue(seed) % streakLevel);
}

}  // namespace

#if PEEKSTUN_SIMD

// x / divisor for every x of 0 to 32767 as (x * multiplier) >> (16 + shift)
// with a 16-bit multiplier, found once and checked for every x.
cStatic::GrainDivision cStatic::findGrainDivision(uint8_t divisor) {
    GrainDivision division;
    for (int shift = 0; shift < 16 && divisor > 1; ++shift) {
        const uint32_t multiplier = ((1u << (16 + shift)) + divisor - 1) / divisor;
        if (multiplier > 0xFFFFu) break;
        bool exact = true;
        for (uint32_t x = 0; x < 32768 && exact; ++x) exact = ((x * multiplier) >> (16 + shift)) == x / divisor;
        if (exact) {
            division.usable = true;
            division.multiplier = static_cast<uint16_t>(multiplier);
            division.shift = shift;
            return division;
        }
    }
    return division;
}

namespace {

// Eight generator states held as 16-bit halves, so the value a state yields
// is its high half and one 32-bit multiply is three 16-bit multiplies and a
// high product, eight lanes per instruction.
struct EightStates {
    __m128i low;
    __m128i high;
};

// A jump of the generator per lane, split into halves the same way.
struct LaneJump {
    __m128i multiplierLow, multiplierHigh, incrementLow, incrementHigh;
};

LaneJump splitJumps(const ShowRandJump* jumps) {
    alignas(16) uint16_t parts[4][8];
    for (int i = 0; i < 8; ++i) {
        parts[0][i] = static_cast<uint16_t>(jumps[i].multiplier);
        parts[1][i] = static_cast<uint16_t>(jumps[i].multiplier >> 16);
        parts[2][i] = static_cast<uint16_t>(jumps[i].increment);
        parts[3][i] = static_cast<uint16_t>(jumps[i].increment >> 16);
    }
    const auto load = [](const uint16_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); };
    return {load(parts[0]), load(parts[1]), load(parts[2]), load(parts[3])};
}

// state x multiplier + increment (mod 2^32) in eight lanes. The new low half
// is the low 16 bits of low x multiplierLow plus incrementLow; the new high
// half gathers that product's high 16 bits, the two cross products,
// incrementHigh and the carry out of the low addition.
inline EightStates applyJump(const EightStates& state, const LaneJump& jump) {
    __m128i high = _mm_mulhi_epu16(state.low, jump.multiplierLow);
    high = _mm_add_epi16(high, _mm_mullo_epi16(state.high, jump.multiplierLow));
    high = _mm_add_epi16(high, _mm_mullo_epi16(state.low, jump.multiplierHigh));
    const __m128i low = _mm_add_epi16(_mm_mullo_epi16(state.low, jump.multiplierLow), jump.incrementLow);
    // The low addition carried when its sum is below the increment, compared
    // unsigned by flipping the sign bits; the mask is -1 where it did.
    const __m128i signBit = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i carried = _mm_cmplt_epi16(_mm_xor_si128(low, signBit), _mm_xor_si128(jump.incrementLow, signBit));
    high = _mm_sub_epi16(_mm_add_epi16(high, jump.incrementHigh), carried);
    return {low, high};
}

// The wide loop's lanes: four groups of eight consecutive values.
constexpr int kGroups = 4;
constexpr int kLanes = 8 * kGroups;

// The jumps that put lane i at the sequence's (i + 1)-th next state, and the
// table that steps each lane's high half kLanes values on.
struct LaneStarts {
    LaneJump start[kGroups];
    ShowRandHighHalfJump chunk{kLanes, kLanes};
};

const LaneStarts& laneStarts() {
    static const LaneStarts starts = [] {
        LaneStarts built;
        ShowRandJump jumps[kLanes];
        for (uint32_t i = 0; i < kLanes; ++i) jumps[i] = showRandJump(i + 1);
        for (int group = 0; group < kGroups; ++group) built.start[group] = splitJumps(jumps + 8 * group);
        return built;
    }();
    return starts;
}

// What every row of one draw shares: the grain's division and how far the
// generator moves over the part of a row the wide loop does.
struct WideRow {
    const cStatic::GrainDivision* division = nullptr;
    uint8_t grainLevel = 0;
    int pixels = 0;                    // multiple of 8: kLanes per chunk, then whole groups
    ShowRandJump afterPixels{1u, 0u};  // the generator's move over those pixels
    // 0x0101, set at run time: as a known constant the compiler turns the
    // multiply into a shift and an add, one instruction more.
    uint16_t doubler = 0;
};

// Four pixels' load and store: aligned ones let the load fold into the add.
template <bool kAligned>
inline __m128i loadFour(const uint32_t* at) {
    const __m128i* from = reinterpret_cast<const __m128i*>(at);
    return kAligned ? _mm_load_si128(from) : _mm_loadu_si128(from);
}
template <bool kAligned>
inline void storeFour(uint32_t* at, __m128i pixels) {
    __m128i* to = reinterpret_cast<__m128i*>(at);
    kAligned ? _mm_store_si128(to, pixels) : _mm_storeu_si128(to, pixels);
}

// Eight greys added onto eight pixels, each channel saturating at 255 and
// the top byte cleared. Each grey comes as a 16-bit word vv (the grey in both
// bytes); a word beside itself makes the pixel vvvvvvvv, whose top byte the
// mask drops anyway.
template <bool kAligned>
inline void addEightGreys(uint32_t* at, __m128i doubledGreys, __m128i keepColour) {
    const __m128i lowGreys = _mm_unpacklo_epi16(doubledGreys, doubledGreys);
    const __m128i highGreys = _mm_unpackhi_epi16(doubledGreys, doubledGreys);
    storeFour<kAligned>(at, _mm_and_si128(_mm_adds_epu8(lowGreys, loadFour<kAligned>(at)), keepColour));
    storeFour<kAligned>(at + 4, _mm_and_si128(_mm_adds_epu8(highGreys, loadFour<kAligned>(at + 4)), keepColour));
}

// The streaks of eight pixels added to eight doubled greys: the row's
// (doubled in every word), plus the columns' when there are any. Each byte
// adds on its own, wrapping at 256 as the scalar loop's uint8_t does.
template <bool kColumns>
inline __m128i addStreaksOfEight(__m128i doubledGreys, __m128i doubledRowStreak, const uint8_t* columnStreaks, int x) {
    doubledGreys = _mm_add_epi8(doubledGreys, doubledRowStreak);
    if (!kColumns) return doubledGreys;
    const __m128i columns = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columnStreaks + x));
    return _mm_add_epi8(doubledGreys, _mm_unpacklo_epi8(columns, columns));
}

// The scalar loop over `rows` rows from row, each drawing its streak (when
// streakLevel is not 0) and then wide.pixels pixels from `from`, for a grain
// of at least 2. kLanes generator lanes, lane i starting at the (i + 1)-th
// next state and each stepping kLanes values per chunk, so the values come
// out in exactly the scalar order. Only the states' high halves are kept;
// the low halves are tracked by their place in their cycle. Several rows
// only when wide.pixels is whole chunks: the lanes then run on into the next
// row, past its streak. seed ends as the scalar loop would leave it; returns
// the last row's streak.
template <bool kColumns, bool kAligned>
uint8_t addGrainWide(uint32_t* row, ptrdiff_t stride, int rows, int from, const uint8_t* columnStreaks,
                     uint8_t streakLevel, const WideRow& wide, uint32_t& seed) {
    uint8_t rowStreak = drawRowStreak(streakLevel, seed);

    const LaneStarts& starts = laneStarts();
    const EightStates seedState = {_mm_set1_epi16(static_cast<short>(seed)),
                                   _mm_set1_epi16(static_cast<short>(seed >> 16))};
    // Four named groups rather than an array, so they stay in registers.
    static_assert(kGroups == 4, "the loop below steps four groups");
    __m128i high0 = applyJump(seedState, starts.start[0]).high;
    __m128i high1 = applyJump(seedState, starts.start[1]).high;
    __m128i high2 = applyJump(seedState, starts.start[2]).high;
    __m128i high3 = applyJump(seedState, starts.start[3]).high;
    const uint16_t* terms = starts.chunk.highTerms();
    uint32_t position = (starts.chunk.positionOf(seed) + 1) & 0xFFFFu;  // lane 0's low half

    // Held in locals so the pixel stores cannot make the compiler reload them.
    const __m128i chunkMultiplier = _mm_set1_epi16(static_cast<short>(starts.chunk.highMultiplier()));
    const __m128i valueMask = _mm_set1_epi16(0x7FFF);
    const __m128i quotientMultiplier = _mm_set1_epi16(static_cast<short>(wide.division->multiplier));
    const __m128i quotientShift = _mm_cvtsi32_si128(wide.division->shift);
    const __m128i timesTwoFiftySeven = _mm_set1_epi16(static_cast<short>(wide.doubler));
    const __m128i divisorTimesTwoFiftySeven = _mm_set1_epi16(static_cast<short>(wide.grainLevel * 0x0101));
    const __m128i keepColour = _mm_set1_epi32(0x00FFFFFF);
    __m128i doubledRowStreak = _mm_set1_epi16(static_cast<short>(rowStreak * 0x0101));

    // The grain doubled into both bytes of its word, straight from the
    // value: (value - quotient x divisor) x 0x0101, exact mod 2^16 and below
    // 2^16 as the grain is below 256.
    const auto addGroup = [&](__m128i high, int x) {
        const __m128i values = _mm_and_si128(high, valueMask);
        const __m128i quotients = _mm_srl_epi16(_mm_mulhi_epu16(values, quotientMultiplier), quotientShift);
        const __m128i doubledGrains = _mm_sub_epi16(_mm_mullo_epi16(values, timesTwoFiftySeven),
                                                    _mm_mullo_epi16(quotients, divisorTimesTwoFiftySeven));
        addEightGreys<kAligned>(row + x, addStreaksOfEight<kColumns>(doubledGrains, doubledRowStreak, columnStreaks, x),
                                keepColour);
    };
    const auto step = [&](__m128i high, int group) {
        const __m128i term = _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms + position + 8 * group));
        return _mm_add_epi16(_mm_mullo_epi16(high, chunkMultiplier), term);
    };

    const int end = from + wide.pixels;
    for (;;) {
        int x = from;
        for (; x + kLanes <= end; x += kLanes) {
            addGroup(high0, x);
            addGroup(high1, x + 8);
            addGroup(high2, x + 16);
            addGroup(high3, x + 24);
            high0 = step(high0, 0);
            high1 = step(high1, 1);
            high2 = step(high2, 2);
            high3 = step(high3, 3);
            position = (position + kLanes) & 0xFFFFu;
        }
        if (x < end) addGroup(high0, x);
        if (x + 8 < end) addGroup(high1, x + 8);
        if (x + 16 < end) addGroup(high2, x + 16);
        seed = wide.afterPixels.apply(seed);
        if (--rows == 0) return rowStreak;

        row += stride;
        if (streakLevel != 0) {
            // The next value is the streak, lane 0's: the lanes move down one
            // place, and the last takes lane 0's value kLanes further on.
            rowStreak = drawRowStreak(streakLevel, seed);
            doubledRowStreak = _mm_set1_epi16(static_cast<short>(rowStreak * 0x0101));
            const __m128i last = step(high0, 0);
            high0 = _mm_or_si128(_mm_srli_si128(high0, 2), _mm_slli_si128(high1, 14));
            high1 = _mm_or_si128(_mm_srli_si128(high1, 2), _mm_slli_si128(high2, 14));
            high2 = _mm_or_si128(_mm_srli_si128(high2, 2), _mm_slli_si128(high3, 14));
            high3 = _mm_or_si128(_mm_srli_si128(high3, 2), _mm_slli_si128(last, 14));
            position = (position + 1) & 0xFFFFu;
        }
    }
}

// The same when no grain is added (a grain level of 1 adds 0, though each
// pixel still draws a value): only streaks, and the generator jumped over.
template <bool kColumns, bool kAligned>
uint8_t addStreaksWide(uint32_t* row, ptrdiff_t stride, int rows, int from, const uint8_t* columnStreaks,
                       uint8_t streakLevel, const WideRow& wide, uint32_t& seed) {
    const __m128i keepColour = _mm_set1_epi32(0x00FFFFFF);
    for (;; row += stride) {
        const uint8_t rowStreak = drawRowStreak(streakLevel, seed);
        const __m128i doubledRowStreak = _mm_set1_epi16(static_cast<short>(rowStreak * 0x0101));
        for (int x = from; x < from + wide.pixels; x += 8) {
            addEightGreys<kAligned>(
                row + x, addStreaksOfEight<kColumns>(_mm_setzero_si128(), doubledRowStreak, columnStreaks, x),
                keepColour);
        }
        seed = wide.afterPixels.apply(seed);
        if (--rows == 0) return rowStreak;
    }
}

using WideRowDraw = uint8_t (*)(uint32_t*, ptrdiff_t, int, int, const uint8_t*, uint8_t, const WideRow&, uint32_t&);

// A wide loop for rows starting at any address and one for rows starting on
// a 16-byte boundary.
struct WideRowDraws {
    WideRowDraw unaligned = nullptr;
    WideRowDraw aligned = nullptr;
    WideRowDraw forRowAt(const uint32_t* start) const {
        return reinterpret_cast<uintptr_t>(start) % 16 == 0 ? aligned : unaligned;
    }
};

// The wide loops for a mode, and the pixels of a row of the given width they
// cover; none when the grain level has no usable division.
WideRowDraws chooseWideRow(bool columns, uint8_t grainLevel, const cStatic::GrainDivision& division, int width,
                           WideRow& wide) {
    wide.division = &division;
    wide.grainLevel = grainLevel;
    wide.pixels = width > 0 ? width / 8 * 8 : 0;
    wide.doubler = 0x0101;
    wide.afterPixels = showRandJump(grainLevel ? static_cast<uint32_t>(wide.pixels) : 0u);
    if (grainLevel <= 1) {
        return columns ? WideRowDraws{addStreaksWide<true, false>, addStreaksWide<true, true>}
                       : WideRowDraws{addStreaksWide<false, false>, addStreaksWide<false, true>};
    }
    if (!division.usable) return WideRowDraws();
    return columns ? WideRowDraws{addGrainWide<true, false>, addGrainWide<true, true>}
                   : WideRowDraws{addGrainWide<false, false>, addGrainWide<false, true>};
}

}  // namespace

#else

cStatic::GrainDivision cStatic::findGrainDivision(uint8_t) { return GrainDivision(); }

#endif

cStatic::cStatic(int width, int height, uint8_t streakLevel, uint8_t grainLevel, int mode)
    : cEffect(width, height),
      mode(mode),
      streakLevel(streakLevel),
      grainLevel(grainLevel),
      grainDivision(findGrainDivision(grainLevel)) {
    // Both levels are divisors of the generator's values.
    if ((usesColumns(mode) || usesRows(mode)) && streakLevel == 0) {
        throw DynamicError("cStatic: the streak level must be at least 1");
    }
    if (usesGrain(mode) && grainLevel == 0) throw DynamicError("cStatic: the grain level must be at least 1");
#if PEEKSTUN_SIMD
    // The wide loop's tables are built with the effect, not in its first frame.
    if (usesGrain(mode) && grainDivision.usable) laneStarts();
#endif
    ready = 1;
}

int cStatic::drawAdditive(DynamicSurface& target) { return draw(target, true); }

int cStatic::drawAdditiveOnePixelAtATime(DynamicSurface& target) { return draw(target, false); }

void cStatic::skipDraw(const DynamicSurface& target) {
    if (!ready) return;
    if (target.format().bytes() != 4) throw DynamicError("cStatic: the target must have 32-bit pixels");
    const int left = std::max(area.left(), 0);
    const int top = std::max(area.top(), 0);
    const int right = std::min({area.left() + area.width(), width, target.width()});
    const int bottom = std::min({area.top() + area.height(), height, target.height()});
    // One value per column streak, then per row its streak and its pixels' grains.
    uint64_t draws = usesColumns(mode) && width > 0 ? static_cast<uint64_t>(width) : 0;
    if (mode >= MODE_GRAIN && mode <= MODE_ROW_STREAKS_GRAIN && bottom > top) {
        const uint64_t perRow = (usesRows(mode) ? 1 : 0) + (usesGrain(mode) && right > left ? right - left : 0);
        draws += perRow * static_cast<uint64_t>(bottom - top);
    }
    showRandReset(showRandJump(static_cast<uint32_t>(draws)).apply(showRandSeed()));
}

int cStatic::draw(DynamicSurface& target, bool manyAtATime) {
    if (!ready) return 0;
    if (target.format().bytes() != 4) throw DynamicError("cStatic: the target must have 32-bit pixels");

    // The area, kept within the effect's size and the target's.
    const int targetWidth = target.width();
    const int left = std::max(area.left(), 0);
    const int top = std::max(area.top(), 0);
    const int right = std::min({area.left() + area.width(), width, targetWidth});
    const int bottom = std::min({area.top() + area.height(), height, target.height()});

    uint32_t* pixels = static_cast<uint32_t*>(target.lock());
    uint32_t seed = showRandSeed();

    std::vector<uint8_t> columnStreaks;
    if (usesColumns(mode)) {
        columnStreaks.resize(width > 0 ? width : 0);
        for (uint8_t& streak : columnStreaks) {
            seed = showRandStep(seed);
            streak = static_cast<uint8_t>(showRandValue(seed) % streakLevel);
        }
    }

    if (mode >= MODE_GRAIN && mode <= MODE_ROW_STREAKS_GRAIN) {
        const uint8_t* columns = usesColumns(mode) ? columnStreaks.data() : nullptr;
        const uint8_t grain = usesGrain(mode) ? grainLevel : 0;
        const uint8_t rowStreakLevel = usesRows(mode) ? streakLevel : 0;
#if PEEKSTUN_SIMD
        WideRow wide;
        const WideRowDraws drawWide =
            manyAtATime ? chooseWideRow(columns != nullptr, grain, grainDivision, right - left, wide) : WideRowDraws();
        // Rows the wide loop covers whole, all alike in alignment, go in one
        // call that carries its lanes from row to row.
        const bool rowsRunOn = wide.pixels == right - left && wide.pixels % kLanes == 0 && targetWidth % 4 == 0;
#endif
        for (int y = top; y < bottom;) {
            uint32_t* row = pixels + static_cast<int64_t>(y) * targetWidth;
            int x = left;
            int rows = 1;
            uint8_t rowStreak;
#if PEEKSTUN_SIMD
            if (drawWide.aligned && wide.pixels > 0) {
                if (rowsRunOn) rows = bottom - y;
                rowStreak = drawWide.forRowAt(row + x)(row, targetWidth, rows, x, columns, rowStreakLevel, wide, seed);
                x += wide.pixels;
            } else
#endif
            {
                rowStreak = drawRowStreak(rowStreakLevel, seed);
            }
            // The pixels the wide loop left, of its one row when it did several.
            addNoiseScalar(row, x, right, columns, rowStreak, grain, seed);
            y += rows;
        }
    }

    showRandReset(seed);
    target.unlock();
    return 1;
}
