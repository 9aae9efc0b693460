#include "effects/c3DTunnel.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <new>
#include <string>

#include "image/Image.h"
#include "platform/DynamicError.h"
#include "platform/DynamicPalette.h"

namespace {

constexpr int kTextureSize = 256;
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kBlockColumns = 40;
constexpr int kBlockRows = 30;

// The block fill works in 16.16 fixed point, where far samples carry large
// u values: wrap like 32-bit registers instead of overflowing.
int32_t wrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t wrappingShiftLeft(int32_t value, int bits) {
    return static_cast<int32_t>(static_cast<uint32_t>(value) << bits);
}

Vector3 normalised(const Vector3& p) {
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    return Vector3{p.x / length, p.y / length, p.z / length};
}

Vector3 minus(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3 plus(const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 dividedBy(const Vector3& a, float d) { return Vector3{a.x / d, a.y / d, a.z / d}; }

// One interpolated quantity along the left and right edges of a block.
struct Edge {
    int32_t left;
    int32_t leftStep;
    int32_t right;
    int32_t rightStep;
};

Edge edgeOf(int32_t topLeft, int32_t bottomLeft, int32_t topRight, int32_t bottomRight) {
    return Edge{wrappingShiftLeft(topLeft, 8), wrappingShiftLeft(wrappingSub(bottomLeft, topLeft), 5),
                wrappingShiftLeft(topRight, 8), wrappingShiftLeft(wrappingSub(bottomRight, topRight), 5)};
}

// Lanes 0, step, 2 step, 3 step, wrapping modulo 2^32.
__m128i stepMultiples(int32_t step) {
    const __m128i steps = _mm_set1_epi32(step);
    const __m128i oddLanes = _mm_set_epi32(-1, 0, -1, 0);
    const __m128i highLanes = _mm_set_epi32(-1, -1, 0, 0);
    return _mm_add_epi32(_mm_and_si128(steps, oddLanes), _mm_and_si128(_mm_add_epi32(steps, steps), highLanes));
}

// One interpolated quantity for four rows of a block, a row per lane: its
// value at the current column and its step along the row. Row y's left and
// right ends are the edge values plus y edge steps, as y wrapping additions
// give them; the row step is their difference shifted right by 3.
struct RowLanes {
    __m128i value;
    __m128i step;
};

RowLanes rowLanes(const Edge& edge, int firstRow) {
    const uint32_t left = static_cast<uint32_t>(edge.left) + static_cast<uint32_t>(firstRow) * edge.leftStep;
    const uint32_t right = static_cast<uint32_t>(edge.right) + static_cast<uint32_t>(firstRow) * edge.rightStep;
    const __m128i lefts = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(left)), stepMultiples(edge.leftStep));
    const __m128i rights = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(right)), stepMultiples(edge.rightStep));
    return RowLanes{lefts, _mm_srai_epi32(_mm_sub_epi32(rights, lefts), 3)};
}

// Level L of a colour, channel by channel (L ch) / 128, for levels 0..128
// (the only ones the samples produce): doubled, 2 L ch stays within 16 bits,
// so each channel is multiplied in its own 16-bit half. scale holds 2 L in
// both halves of each pixel; the top byte of colour must be zero.
__m128i shaded(__m128i colour, __m128i scale) {
    const __m128i evenBytes = _mm_set1_epi32(0x00ff00ff);
    const __m128i oddBytes = _mm_set1_epi32(static_cast<int>(0xff00ff00u));
    const __m128i even = _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(colour, evenBytes), scale), 8);
    const __m128i odd = _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi16(colour, 8), scale), oddBytes);
    return _mm_or_si128(even, odd);
}

// 2 (shade >> 16) in both 16-bit halves of each lane, for shade 0..2^23.
__m128i scaleOf(__m128i shade) {
    const __m128i doubledLevel = _mm_and_si128(_mm_srli_epi32(shade, 15), _mm_set1_epi32(0x1fe));
    return _mm_or_si128(doubledLevel, _mm_slli_epi32(doubledLevel, 16));
}

__m128i gathered(const uint32_t* colours, uint16_t first, uint16_t second, uint16_t third, uint16_t fourth) {
    const __m128i low = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(colours[first])),
                                           _mm_cvtsi32_si128(static_cast<int>(colours[second])));
    const __m128i high = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(colours[third])),
                                            _mm_cvtsi32_si128(static_cast<int>(colours[fourth])));
    return _mm_unpacklo_epi64(low, high);
}

// Four pixels at out take the colours or, additive, add them channel by
// channel saturating at 255 with the top byte dropped, as saturatingAdd.
template <bool additive>
void put(uint32_t* out, __m128i colour) {
    auto* target = reinterpret_cast<__m128i*>(out);
    if (additive) colour = _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(target), colour), _mm_set1_epi32(0x00ffffff));
    _mm_storeu_si128(target, colour);
}

// Four rows of one block from its corner samples. The interpolation runs a
// row per lane; the texels' colours are fetched and shaded a column at a
// time and turned into rows for the frame.
template <bool additive>
void fillBlockRows(const Edge& u, const Edge& v, const Edge& shade, int firstRow, const uint32_t* colours,
                   uint32_t* out, size_t stride) {
    RowLanes us = rowLanes(u, firstRow);
    RowLanes vs = rowLanes(v, firstRow);
    RowLanes shades = rowLanes(shade, firstRow);
    // Interleaving the bytes of u and v puts texel column (u >> 16) & 255 and
    // row (v >> 16) & 255 side by side: the 16-bit texel index of lane k is
    // word 2 + 4 k.
    alignas(16) uint16_t indices[8][16];
    __m128i scales[8];
    for (int x = 0; x < 8; ++x) {
        _mm_store_si128(reinterpret_cast<__m128i*>(indices[x]), _mm_unpacklo_epi8(us.value, vs.value));
        _mm_store_si128(reinterpret_cast<__m128i*>(indices[x] + 8), _mm_unpackhi_epi8(us.value, vs.value));
        scales[x] = scaleOf(shades.value);
        us.value = _mm_add_epi32(us.value, us.step);
        vs.value = _mm_add_epi32(vs.value, vs.step);
        shades.value = _mm_add_epi32(shades.value, shades.step);
    }
    for (int firstColumn = 0; firstColumn < 8; firstColumn += 4) {
        __m128i columns[4];
        for (int k = 0; k < 4; ++k) {
            const uint16_t* index = indices[firstColumn + k];
            columns[k] = shaded(gathered(colours, index[2], index[6], index[10], index[14]), scales[firstColumn + k]);
        }
        const __m128i rows01Low = _mm_unpacklo_epi32(columns[0], columns[1]);
        const __m128i rows01High = _mm_unpacklo_epi32(columns[2], columns[3]);
        const __m128i rows23Low = _mm_unpackhi_epi32(columns[0], columns[1]);
        const __m128i rows23High = _mm_unpackhi_epi32(columns[2], columns[3]);
        uint32_t* row = out + firstColumn;
        put<additive>(row, _mm_unpacklo_epi64(rows01Low, rows01High));
        put<additive>(row + stride, _mm_unpackhi_epi64(rows01Low, rows01High));
        put<additive>(row + 2 * stride, _mm_unpacklo_epi64(rows23Low, rows23High));
        put<additive>(row + 3 * stride, _mm_unpackhi_epi64(rows23Low, rows23High));
    }
}

template <bool additive>
void fillAllBlocks(const TunnelSample* grid, const uint32_t* colours, uint32_t* pixels, size_t stride) {
    for (int by = 0; by < kBlockRows; ++by) {
        for (int bx = 0; bx < kBlockColumns; ++bx) {
            const TunnelSample& tl = grid[bx * c3DTunnel::kLatticeRows + by];
            const TunnelSample& bl = grid[bx * c3DTunnel::kLatticeRows + by + 1];
            const TunnelSample& tr = grid[(bx + 1) * c3DTunnel::kLatticeRows + by];
            const TunnelSample& br = grid[(bx + 1) * c3DTunnel::kLatticeRows + by + 1];
            const Edge u = edgeOf(tl.u, bl.u, tr.u, br.u);
            const Edge v = edgeOf(tl.v, bl.v, tr.v, br.v);
            const Edge shade = edgeOf(tl.shade, bl.shade, tr.shade, br.shade);
            uint32_t* block = pixels + static_cast<size_t>(by) * 8 * stride + bx * 8;
            fillBlockRows<additive>(u, v, shade, 0, colours, block, stride);
            fillBlockRows<additive>(u, v, shade, 4, colours, block + 4 * stride, stride);
        }
    }
}

}  // namespace

c3DTunnel::c3DTunnel() = default;

c3DTunnel::c3DTunnel(const char* textureFileName, float radius) : radius(radius) {
    Image picture(textureFileName);
    if (picture.width() != kTextureSize || picture.height() != kTextureSize || !picture.format().indexed()) return;
    DynamicSurface texture(picture.width(), picture.height(), picture.format());
    picture.copy(texture);

    DynamicPalette palette;
    texture.palette(palette);
    const int32_t* paletteColours = palette.lock();
    if (paletteColours == nullptr) return;
    for (int index = 0; index < 256; ++index)
        colours[index] = static_cast<uint32_t>(paletteColours[index]) & 0x00ffffff;
    palette.unlock();

    texelColours.reset(new (std::nothrow) uint32_t[kTextureSize * kTextureSize]);
    if (!texelColours) return;
    const auto* texels = static_cast<const uint8_t*>(texture.lock());
    if (texels == nullptr) return;
    for (int texel = 0; texel < kTextureSize * kTextureSize; ++texel) texelColours[texel] = colours[texels[texel]];
    texture.unlock();
    ready = 1;
}

c3DTunnel::~c3DTunnel() = default;

uint32_t c3DTunnel::shadeColour(int index, int level) const {
    if (!ready || index < 0 || index > 255 || level < 0 || level > 255) {
        throw DynamicError("c3DTunnel: no shade colour for index " + std::to_string(index) + ", level " +
                           std::to_string(level));
    }
    const uint32_t colour = colours[index];
    const uint32_t unsignedLevel = static_cast<uint32_t>(level);
    uint32_t shade = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t ch = (colour >> shift) & 0xff;
        // Level 128 is the colour; below it fades to black, above it to white.
        const uint32_t shaded =
            unsignedLevel <= 128 ? (unsignedLevel * ch) / 128 : ch + ((unsignedLevel - 128) * (256 - ch)) / 128;
        shade |= shaded << shift;
    }
    return shade;
}

float c3DTunnel::getAngle(int axis) const {
    if (axis < 0 || axis > 2) throw DynamicError("c3DTunnel: there is no axis " + std::to_string(axis));
    return angles[axis];
}

const TunnelSample& c3DTunnel::sample(int column, int row) const {
    if (column < 0 || column >= kLatticeColumns || row < 0 || row >= kLatticeRows) {
        throw DynamicError("c3DTunnel: no lattice sample at column " + std::to_string(column) + ", row " +
                           std::to_string(row));
    }
    return grid[column * kLatticeRows + row];
}

int c3DTunnel::update(float dt) {
    if (!ready) return 0;
    travel = travel - dt * 100.0f;
    // The first 3.5 time units the camera only flies; then it also turns.
    if (travel < -350.0f) {
        angles[0] += dt * 1.6f;
        angles[1] -= dt * 2.3f;
        angles[2] += dt * 1.2f;
    }
    return 1;
}

void c3DTunnel::castLattice() {
    const Matrix4 rotation = Matrix4::rotation(angles[0], angles[1], angles[2]);
    const Vector3 topLeft = normalised(rotation.transform(Vector3{-160.0f, -100.0f, 128.0f}));
    const Vector3 topRight = normalised(rotation.transform(Vector3{160.0f, -100.0f, 128.0f}));
    const Vector3 bottomLeft = normalised(rotation.transform(Vector3{-160.0f, 100.0f, 128.0f}));
    const Vector3 bottomRight = normalised(rotation.transform(Vector3{160.0f, 100.0f, 128.0f}));

    // 26 and 41 rather than 30 and 40: the lattice reaches past the bottom
    // corners and stops short of the right ones.
    const Vector3 leftStep = dividedBy(minus(bottomLeft, topLeft), 26.0f);
    const Vector3 rightStep = dividedBy(minus(bottomRight, topRight), 26.0f);
    // All the wall hits first, then all the samples: the hits' square roots
    // and divisions overlap from ray to ray only in a loop free of the
    // samples' library calls.
    Vector3 hits[kLatticeColumns * kLatticeRows];
    Vector3 left = topLeft;
    Vector3 right = topRight;
    for (int row = 0; row < kLatticeRows; ++row) {
        const Vector3 columnStep = dividedBy(minus(right, left), 41.0f);
        Vector3 direction = left;
        for (int column = 0; column < kLatticeColumns; ++column) {
            hits[column * kLatticeRows + row] = tunnelWallHit(direction, radius);
            direction = plus(direction, columnStep);
        }
        left = plus(left, leftStep);
        right = plus(right, rightStep);
    }
    for (int i = 0; i < kLatticeColumns * kLatticeRows; ++i) grid[i] = tunnelSampleAt(hits[i], travel);
}

int c3DTunnel::drawAdditive(DynamicSurface& frame) { return fillBlocks(frame, true); }

int c3DTunnel::draw(DynamicSurface& frame) { return fillBlocks(frame, false); }

int c3DTunnel::fillBlocks(DynamicSurface& frame, bool additive) {
    if (!ready) return 0;
    const int frameWidth = frame.width();
    if (frame.format().bytes() != 4 || frameWidth < kFrameWidth || frame.height() < kFrameHeight) {
        throw DynamicError("c3DTunnel: the frame must be 32-bit and at least 320 x 240");
    }
    castLattice();

    auto* pixels = static_cast<uint32_t*>(frame.lock());
    if (pixels == nullptr) return 0;
    // Samples keep the brightness within 0..32768 and the blocks interpolate
    // it exactly between them, so every level is 0..128.
    const size_t stride = static_cast<size_t>(frameWidth);
    if (additive) {
        fillAllBlocks<true>(grid, texelColours.get(), pixels, stride);
    } else {
        fillAllBlocks<false>(grid, texelColours.get(), pixels, stride);
    }
    frame.unlock();
    return 1;
}
