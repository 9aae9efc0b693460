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

// The 8 x 8 colours of one block, row by row, from its corner samples.
void shadeBlock(const Edge& u, const Edge& v, const Edge& shade, const uint8_t* texels, const uint32_t* shadeTable,
                uint32_t colours[8][8]) {
    const __m128i lowByte = _mm_set1_epi32(0xff);
    const __m128i rowByte = _mm_set1_epi32(0xff00);
    for (int firstRow = 0; firstRow < 8; firstRow += 4) {
        RowLanes us = rowLanes(u, firstRow);
        RowLanes vs = rowLanes(v, firstRow);
        RowLanes shades = rowLanes(shade, firstRow);
        alignas(16) uint32_t texelIndex[4];
        alignas(16) uint32_t levelRow[4];
        for (int x = 0; x < 8; ++x) {
            // Texel row (v >> 16) & 255 and column (u >> 16) & 255; the
            // level (shade >> 16) & 255 picks the row of the shade table.
            const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(vs.value, 8), rowByte),
                                               _mm_and_si128(_mm_srli_epi32(us.value, 16), lowByte));
            const __m128i level = _mm_and_si128(_mm_srli_epi32(shades.value, 16), lowByte);
            _mm_store_si128(reinterpret_cast<__m128i*>(texelIndex), index);
            _mm_store_si128(reinterpret_cast<__m128i*>(levelRow), _mm_slli_epi32(level, 8));
            for (int k = 0; k < 4; ++k) colours[firstRow + k][x] = shadeTable[levelRow[k] + texels[texelIndex[k]]];
            us.value = _mm_add_epi32(us.value, us.step);
            vs.value = _mm_add_epi32(vs.value, vs.step);
            shades.value = _mm_add_epi32(shades.value, shades.step);
        }
    }
}

// Four pixels at out take the colours or, additive, add them channel by
// channel saturating at 255 with the top byte dropped, as saturatingAdd.
void putColours(uint32_t* out, const uint32_t* colours, bool additive) {
    auto* target = reinterpret_cast<__m128i*>(out);
    __m128i colour = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours));
    if (additive) colour = _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(target), colour), _mm_set1_epi32(0x00ffffff));
    _mm_storeu_si128(target, colour);
}

}  // namespace

c3DTunnel::c3DTunnel() = default;

c3DTunnel::c3DTunnel(const char* textureFileName, float radius) : radius(radius) {
    Image picture(textureFileName);
    if (picture.width() != kTextureSize || picture.height() != kTextureSize || !picture.format().indexed()) return;
    texture = std::make_unique<DynamicSurface>(picture.width(), picture.height(), picture.format());
    picture.copy(*texture);

    shadeTable.reset(new (std::nothrow) uint32_t[256 * 256]);
    if (!shadeTable) return;
    DynamicPalette palette;
    texture->palette(palette);
    const int32_t* colours = palette.lock();
    if (colours == nullptr) return;
    buildShadeTable(colours);
    palette.unlock();
    ready = 1;
}

c3DTunnel::~c3DTunnel() = default;

void c3DTunnel::buildShadeTable(const int32_t* palette) {
    for (int index = 0; index < 256; ++index) {
        const uint32_t colour = static_cast<uint32_t>(palette[index]);
        const uint32_t channels[3] = {(colour >> 16) & 0xff, (colour >> 8) & 0xff, colour & 0xff};
        for (uint32_t level = 0; level < 256; ++level) {
            uint32_t shaded[3];
            for (int k = 0; k < 3; ++k) {
                const uint32_t ch = channels[k];
                // Level 128 is the colour; below it fades to black, above it to white.
                shaded[k] = level <= 128 ? (level * ch) / 128 : ch + ((level - 128) * (256 - ch)) / 128;
            }
            shadeTable[level * 256 + index] = (shaded[0] << 16) | (shaded[1] << 8) | shaded[2];
        }
    }
}

uint32_t c3DTunnel::shadeColour(int index, int level) const {
    if (!shadeTable || index < 0 || index > 255 || level < 0 || level > 255) {
        throw DynamicError("c3DTunnel: no shade colour for index " + std::to_string(index) + ", level " +
                           std::to_string(level));
    }
    return shadeTable[level * 256 + index];
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
    const auto* texels = static_cast<const uint8_t*>(texture->lock());
    if (texels == nullptr) {
        frame.unlock();
        return 0;
    }

    for (int by = 0; by < kBlockRows; ++by) {
        for (int bx = 0; bx < kBlockColumns; ++bx) {
            const TunnelSample& tl = grid[bx * kLatticeRows + by];
            const TunnelSample& bl = grid[bx * kLatticeRows + by + 1];
            const TunnelSample& tr = grid[(bx + 1) * kLatticeRows + by];
            const TunnelSample& br = grid[(bx + 1) * kLatticeRows + by + 1];
            const Edge u = edgeOf(tl.u, bl.u, tr.u, br.u);
            const Edge v = edgeOf(tl.v, bl.v, tr.v, br.v);
            const Edge shade = edgeOf(tl.shade, bl.shade, tr.shade, br.shade);

            // Samples keep the brightness within 0..32768, so the level is
            // 0..128; the mask only keeps the lookup in the table.
            alignas(16) uint32_t colours[8][8];
            shadeBlock(u, v, shade, texels, shadeTable.get(), colours);
            uint32_t* row = pixels + static_cast<size_t>(by) * 8 * frameWidth + bx * 8;
            for (int y = 0; y < 8; ++y) {
                putColours(row, colours[y], additive);
                putColours(row + 4, colours[y] + 4, additive);
                row += frameWidth;
            }
        }
    }
    texture->unlock();
    frame.unlock();
    return 1;
}
