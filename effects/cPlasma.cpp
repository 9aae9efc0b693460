#include "effects/cPlasma.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <string>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "platform/simd.h"

// The rounding below, like every float result of the effects, relies on
// float arithmetic being done in float, not in a wider register.
static_assert(FLT_EVAL_METHOD == 0, "float expressions must be evaluated in float precision");

namespace {

// roundToByte for the phases and sums the plasma meets, without the cost of
// its general path. Below 2^22, adding and subtracting 1.5 x 2^23 rounds to
// the nearest integer with ties to even, exactly as the default rounding mode
// does, so every result is the same.
inline uint8_t plasmaRound(float x) {
    if (std::fabs(x) < 4194304.0f) {
        const float rounded = (x + 12582912.0f) - 12582912.0f;
        return static_cast<uint8_t>(static_cast<int32_t>(rounded));
    }
    return roundToByte(x);
}

constexpr float kRoundingBias = 12582912.0f;  // 1.5 x 2^23
// Terms below 2^20 keep a sum of three under 2^22, where the bias rounds.
constexpr float kSmallTerm = 1048576.0f;

bool isSmallTerm(float x) { return std::fabs(x) < kSmallTerm; }

// One row of indices: ((columnSums[x] + c) + d) rounded, low byte, for
// terms that are all small. With the bias added the float's low mantissa
// bits hold the rounded sum plus 2^22, whose low byte is the index; four
// lanes at a time this is exactly what plasmaRound does one by one.
void writeSmallSumsRow(const float* columnSums, float c, float d, uint8_t* out, int count) {
    int x = 0;
#if PEEKSTUN_SIMD
    const __m128 columnC = _mm_set1_ps(c);
    const __m128 columnD = _mm_set1_ps(d);
    const __m128 bias = _mm_set1_ps(kRoundingBias);
    const __m128i lowByte = _mm_set1_epi32(0xff);
    // Four indices as 32-bit lanes. Written out four times below rather than
    // looped: the compiler keeps the lanes in registers only then.
    const auto fourIndices = [&](const float* sums) {
        __m128 sum = _mm_loadu_ps(sums);
        sum = _mm_add_ps(sum, columnC);
        sum = _mm_add_ps(sum, columnD);
        return _mm_and_si128(_mm_castps_si128(_mm_add_ps(sum, bias)), lowByte);
    };
    for (; x + 16 <= count; x += 16) {
        const __m128i low = _mm_packs_epi32(fourIndices(columnSums + x), fourIndices(columnSums + x + 4));
        const __m128i high = _mm_packs_epi32(fourIndices(columnSums + x + 8), fourIndices(columnSums + x + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < count; ++x) {
        float sum = columnSums[x] + c;
        sum = sum + d;
        out[x] = plasmaRound(sum);
    }
}

#if PEEKSTUN_SIMD
// Four target pixels take the picture's where the mask is set.
inline void revealFour(const uint32_t* picture, uint32_t* target, __m128i mask) {
    auto* out = reinterpret_cast<__m128i*>(target);
    const __m128i pictureQuad = _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture));
    const __m128i targetQuad = _mm_loadu_si128(out);
    _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(mask, pictureQuad), _mm_andnot_si128(mask, targetQuad)));
}
#endif

// Where index <= level, target takes the picture's pixel.
void revealRow(const uint8_t* indices, const uint32_t* picture, uint32_t* target, int count, uint8_t level) {
    int x = 0;
#if PEEKSTUN_SIMD
    const __m128i levels = _mm_set1_epi8(static_cast<char>(level));
    for (; x + 16 <= count; x += 16) {
        const __m128i index = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices + x));
        const __m128i shown = _mm_cmpeq_epi8(_mm_min_epu8(index, levels), index);
        const __m128i shownLow = _mm_unpacklo_epi8(shown, shown);
        const __m128i shownHigh = _mm_unpackhi_epi8(shown, shown);
        revealFour(picture + x, target + x, _mm_unpacklo_epi16(shownLow, shownLow));
        revealFour(picture + x + 4, target + x + 4, _mm_unpackhi_epi16(shownLow, shownLow));
        revealFour(picture + x + 8, target + x + 8, _mm_unpacklo_epi16(shownHigh, shownHigh));
        revealFour(picture + x + 12, target + x + 12, _mm_unpackhi_epi16(shownHigh, shownHigh));
    }
#endif
    for (; x < count; ++x) {
        if (indices[x] <= level) target[x] = picture[x];
    }
}

}  // namespace

void fillPlasmaTable(float* table, double amplitude) {
    const double pi = 3.14159265359;
    for (int i = 0; i < 256; ++i) {
        const double a = i * pi;
        table[i] = static_cast<float>(amplitude * std::cos(a / 128) + 32 * std::cos(a / 64) + 8 * std::cos(a / 32));
    }
}

cPlasma::cPlasma(int width, int height, const float* table) : cEffect(width, height), table(table) { ready = 1; }

void cPlasma::setSpeeds(float s1, float s3) {
    speed1 = s1;
    speed3 = s3;
}

void cPlasma::setSteps(float x1, float x2, float y1, float y2) {
    stepX1 = x1;
    stepX2 = x2;
    stepY1 = y1;
    stepY2 = y2;
}

void cPlasma::setPhases(float p1, float p2, float p3, float p4) {
    phase1 = p1;
    phase2 = p2;
    phase3 = p3;
    phase4 = p4;
}

float cPlasma::getPhase(int which) const {
    switch (which) {
        case 1:
            return phase1;
        case 2:
            return phase2;
        case 3:
            return phase3;
        case 4:
            return phase4;
        default:
            throw DynamicError("cPlasma: there is no phase " + std::to_string(which));
    }
}

void cPlasma::update(float elapsed) {
    accumulator += elapsed;
    while (accumulator >= 1.0) {
        phase1 += speed1;
        phase3 += speed3;
        // Four draws in this order keep the shared sequence in step with the
        // rest of the show, even the two that can only add 0.
        phase1 += showRand() % 1;
        phase2 += showRand() % 2;
        phase3 += showRand() % 2;
        phase4 += showRand() % 1;
        const float before = accumulator;
        accumulator -= 1.0f;
        // Past 2^24 (or at infinity) subtracting 1 no longer changes the
        // value and the loop would never end; such a jump has no fraction
        // left to carry, so it ends with an empty accumulator.
        if (accumulator == before) {
            accumulator = 0.0f;
            break;
        }
    }
}

void cPlasma::checkArea() const {
    if (area.left() < 0 || area.top() < 0 || area.right() > width || area.bottom() > height) {
        throw DynamicError("cPlasma: the drawing area must lie within " + std::to_string(width) + " x " +
                           std::to_string(height));
    }
}

void cPlasma::checkSurface(const DynamicSurface& surface, int bytesPerPixel, const char* role) const {
    if (surface.format().bytes() != bytesPerPixel || surface.width() < width || surface.height() < height) {
        throw DynamicError(std::string("cPlasma: the ") + role + " must be " + std::to_string(bytesPerPixel * 8) +
                           "-bit and at least " + std::to_string(width) + " x " + std::to_string(height));
    }
}

void cPlasma::computeIndices(uint8_t* out) {
    const int left = area.left();
    const int top = area.top();
    const int areaWidth = area.width();
    const int areaHeight = area.height();
    if (areaWidth <= 0) return;
    // The row phases restart at every row, so the sum of the two row lookups
    // is the same for every row: computed once per column.
    columnSums.resize(static_cast<size_t>(areaWidth));
    bool columnSumsSmall = true;
    float a = phase1;
    float b = phase2;
    for (int x = 0; x < areaWidth; ++x) {
        const float sum = table[plasmaRound(a)] + table[plasmaRound(b)];
        columnSums[x] = sum;
        columnSumsSmall = columnSumsSmall && isSmallTerm(sum);
        a = a + stepX1;
        b = b + stepX2;
    }
    float c = phase3;
    float d = phase4;
    for (int y = top; y < top + areaHeight; ++y) {
        // The column lookups are the same for the whole row.
        const float columnC = table[plasmaRound(c)];
        const float columnD = table[plasmaRound(d)];
        uint8_t* row = out + static_cast<size_t>(y) * width + left;
        if (columnSumsSmall && isSmallTerm(columnC) && isSmallTerm(columnD)) {
            writeSmallSumsRow(columnSums.data(), columnC, columnD, row, areaWidth);
        } else {
            for (int x = 0; x < areaWidth; ++x) {
                float sum = columnSums[x] + columnC;
                sum = sum + columnD;
                row[x] = plasmaRound(sum);
            }
        }
        c = c + stepY1;
        d = d + stepY2;
    }
}

int cPlasma::draw(DynamicSurface& indices) {
    if (!ready) return 0;
    checkArea();
    checkSurface(indices, 1, "index surface");
    auto* out = static_cast<uint8_t*>(indices.lock());
    computeIndices(out);
    indices.unlock();
    return 1;
}

int cPlasma::drawReveal(DynamicSurface& target, DynamicSurface& picture, uint8_t level) {
    if (!ready) return 0;
    checkArea();
    checkSurface(target, 4, "target");
    checkSurface(picture, 4, "picture");
    revealIndices.resize(static_cast<size_t>(width) * height);
    computeIndices(revealIndices.data());

    const int left = area.left();
    const int top = area.top();
    const int right = area.right();
    const int bottom = area.bottom();
    auto* targetPixels = static_cast<uint32_t*>(target.lock());
    auto* picturePixels = static_cast<uint32_t*>(picture.lock());
    for (int y = top; y < bottom; ++y) {
        const size_t start = static_cast<size_t>(y) * width + left;
        revealRow(revealIndices.data() + start, picturePixels + start, targetPixels + start, right - left, level);
    }
    target.unlock();
    picture.unlock();
    return 1;
}
