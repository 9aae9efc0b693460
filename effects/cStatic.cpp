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

// The low 32 bits of a x b in each lane, b the same in every lane.
inline __m128i multiplyLanes(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), b);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// Eight pixels from eight generator values already in lanes: the grain, the
// streaks added, and the grey saturating-added onto the pixels.
inline void addEightGreys(uint32_t* at, __m128i low, __m128i high, const uint8_t* columnStreaks, __m128i rowGrey,
                          const cStatic::GrainDivision& division, __m128i divisor) {
    const __m128i valueMask = _mm_set1_epi32(0x7FFF);
    // Values 0 to 32767, so the signed pack keeps them as they are.
    const __m128i values = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(low, 16), valueMask),
                                           _mm_and_si128(_mm_srli_epi32(high, 16), valueMask));
    const __m128i quotients =
        _mm_srl_epi16(_mm_mulhi_epu16(values, _mm_set1_epi16(static_cast<short>(division.multiplier))),
                      _mm_cvtsi32_si128(division.shift));
    __m128i grey = _mm_sub_epi16(values, _mm_mullo_epi16(quotients, divisor));
    grey = _mm_add_epi16(grey, rowGrey);
    if (columnStreaks) {
        const __m128i columns =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(columnStreaks)), _mm_setzero_si128());
        grey = _mm_add_epi16(grey, columns);
    }
    grey = _mm_and_si128(grey, _mm_set1_epi16(0x00FF));
    // Each grey byte repeated into the blue, green and red bytes.
    const __m128i bytes = _mm_packus_epi16(grey, grey);
    const __m128i pairs = _mm_unpacklo_epi8(bytes, bytes);
    const __m128i pixelMask = _mm_set1_epi32(0x00FFFFFF);
    __m128i* out = reinterpret_cast<__m128i*>(at);
    _mm_storeu_si128(out,
                     _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(out), _mm_unpacklo_epi16(pairs, pairs)), pixelMask));
    _mm_storeu_si128(
        out + 1, _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(out + 1), _mm_unpackhi_epi16(pairs, pairs)), pixelMask));
}

// The scalar loop sixteen pixels at a time: sixteen generator lanes, lane i
// holding the sequence's (i + 1)-th next state and each stepping sixteen
// values at once, so the values come out in exactly the scalar order. Returns
// the first pixel not done; seed ends as the scalar loop would leave it there.
int addNoiseSixteenAtATime(uint32_t* row, int from, int to, const uint8_t* columnStreaks, uint8_t rowStreak,
                           uint8_t grainLevel, const cStatic::GrainDivision& division, uint32_t& seed) {
    const int chunks = (to - from) / 16;
    if (chunks == 0) return from;

    alignas(16) uint32_t start[16];
    uint32_t s = seed;
    for (uint32_t& lane : start) lane = s = showRandStep(s);
    __m128i lanes[4];
    for (int i = 0; i < 4; ++i) lanes[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(start + 4 * i));

    static const ShowRandJump jump = showRandJump(16);
    const __m128i jumpMultiplier = _mm_set1_epi32(static_cast<int>(jump.multiplier));
    const __m128i jumpIncrement = _mm_set1_epi32(static_cast<int>(jump.increment));
    const __m128i divisor = _mm_set1_epi16(grainLevel);
    const __m128i rowGrey = _mm_set1_epi16(rowStreak);

    int x = from;
    for (int chunk = 0; chunk < chunks; ++chunk, x += 16) {
        if (chunk != 0) {
            for (__m128i& lane : lanes) lane = _mm_add_epi32(multiplyLanes(lane, jumpMultiplier), jumpIncrement);
        }
        addEightGreys(row + x, lanes[0], lanes[1], columnStreaks ? columnStreaks + x : nullptr, rowGrey, division,
                      divisor);
        addEightGreys(row + x + 8, lanes[2], lanes[3], columnStreaks ? columnStreaks + x + 8 : nullptr, rowGrey,
                      division, divisor);
    }
    seed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(lanes[3], _MM_SHUFFLE(3, 3, 3, 3))));
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
