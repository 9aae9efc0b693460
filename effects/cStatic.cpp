#include "effects/cStatic.h"

#include <algorithm>
#include <vector>

#include "effects/saturatingAdd.h"
#include "effects/showRandom.h"
#include "platform/DynamicError.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

}  // namespace

#if defined(__SSE2__)

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

// The jumps that put lane i of sixteen at the sequence's (i + 1)-th next
// state, and the jump of sixteen every lane makes from one chunk to the next.
struct SixteenLaneJumps {
    LaneJump start[2];
    LaneJump chunk;
};

const SixteenLaneJumps& sixteenLaneJumps() {
    static const SixteenLaneJumps jumps = [] {
        ShowRandJump starts[16];
        for (uint32_t i = 0; i < 16; ++i) starts[i] = showRandJump(i + 1);
        ShowRandJump chunk[8];
        for (ShowRandJump& jump : chunk) jump = showRandJump(16);
        return SixteenLaneJumps{{splitJumps(starts), splitJumps(starts + 8)}, splitJumps(chunk)};
    }();
    return jumps;
}

// Eight values' remainders by the grain level, from the high halves.
inline __m128i grainOfEight(const EightStates& state, const cStatic::GrainDivision& division, __m128i divisor) {
    const __m128i values = _mm_and_si128(state.high, _mm_set1_epi16(0x7FFF));
    const __m128i quotients =
        _mm_srl_epi16(_mm_mulhi_epu16(values, _mm_set1_epi16(static_cast<short>(division.multiplier))),
                      _mm_cvtsi32_si128(division.shift));
    return _mm_sub_epi16(values, _mm_mullo_epi16(quotients, divisor));
}

// Four pixels 0x00vvvvvv saturating-added onto four pixels, the top byte
// cleared.
inline void addFourGreys(uint32_t* at, __m128i greys) {
    __m128i* out = reinterpret_cast<__m128i*>(at);
    _mm_storeu_si128(out, _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(out), greys), _mm_set1_epi32(0x00FFFFFF)));
}

// The scalar loop sixteen pixels at a time: sixteen generator lanes, lane i
// holding the sequence's (i + 1)-th next state and each stepping sixteen
// values at once, so the values come out in exactly the scalar order. Returns
// the first pixel not done; seed ends as the scalar loop would leave it there.
int addNoiseSixteenAtATime(uint32_t* row, int from, int to, const uint8_t* columnStreaks, uint8_t rowStreak,
                           uint8_t grainLevel, const cStatic::GrainDivision& division, uint32_t& seed) {
    const int chunks = (to - from) / 16;
    if (chunks == 0) return from;

    const SixteenLaneJumps& jumps = sixteenLaneJumps();
    const EightStates seedState = {_mm_set1_epi16(static_cast<short>(seed)),
                                   _mm_set1_epi16(static_cast<short>(seed >> 16))};
    EightStates lanes[2] = {applyJump(seedState, jumps.start[0]), applyJump(seedState, jumps.start[1])};

    const __m128i divisor = _mm_set1_epi16(grainLevel);
    const __m128i rowGrey = _mm_set1_epi8(static_cast<char>(rowStreak));
    const __m128i zero = _mm_setzero_si128();

    int x = from;
    for (int chunk = 0; chunk < chunks; ++chunk, x += 16) {
        if (chunk != 0) {
            lanes[0] = applyJump(lanes[0], jumps.chunk);
            lanes[1] = applyJump(lanes[1], jumps.chunk);
        }
        // Remainders are below 256, so they pack to bytes unchanged; the
        // streaks add as bytes, wrapping at 256.
        __m128i greys =
            _mm_packus_epi16(grainOfEight(lanes[0], division, divisor), grainOfEight(lanes[1], division, divisor));
        greys = _mm_add_epi8(greys, rowGrey);
        if (columnStreaks) {
            greys = _mm_add_epi8(greys, _mm_loadu_si128(reinterpret_cast<const __m128i*>(columnStreaks + x)));
        }
        // Each grey as the words vv and 0v, interleaved into 0x00vvvvvv.
        const __m128i doubledLow = _mm_unpacklo_epi8(greys, greys);
        const __m128i singleLow = _mm_unpacklo_epi8(greys, zero);
        const __m128i doubledHigh = _mm_unpackhi_epi8(greys, greys);
        const __m128i singleHigh = _mm_unpackhi_epi8(greys, zero);
        addFourGreys(row + x, _mm_unpacklo_epi16(doubledLow, singleLow));
        addFourGreys(row + x + 4, _mm_unpackhi_epi16(doubledLow, singleLow));
        addFourGreys(row + x + 8, _mm_unpacklo_epi16(doubledHigh, singleHigh));
        addFourGreys(row + x + 12, _mm_unpackhi_epi16(doubledHigh, singleHigh));
    }
    seed = static_cast<uint32_t>(_mm_extract_epi16(lanes[1].low, 7)) |
           static_cast<uint32_t>(_mm_extract_epi16(lanes[1].high, 7)) << 16;
    return x;
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
    ready = 1;
}

int cStatic::drawAdditive(DynamicSurface& target) { return draw(target, true); }

int cStatic::drawAdditiveOnePixelAtATime(DynamicSurface& target) { return draw(target, false); }

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
        for (int y = top; y < bottom; ++y) {
            uint8_t rowStreak = 0;
            if (usesRows(mode)) {
                seed = showRandStep(seed);
                rowStreak = static_cast<uint8_t>(showRandValue(seed) % streakLevel);
            }
            uint32_t* row = pixels + static_cast<int64_t>(y) * targetWidth;
            int x = left;
#if defined(__SSE2__)
            if (manyAtATime && grain && grainDivision.usable) {
                x = addNoiseSixteenAtATime(row, x, right, columns, rowStreak, grain, grainDivision, seed);
            }
#endif
            addNoiseScalar(row, x, right, columns, rowStreak, grain, seed);
        }
    }

    showRandReset(seed);
    target.unlock();
    return 1;
}
