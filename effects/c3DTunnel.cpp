#include "effects/c3DTunnel.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "effects/TunnelAngle.h"
#include "effects/saturatingAdd.h"
#include "image/Image.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicPalette.h"
#include "platform/simd.h"

namespace {

constexpr int kTextureSize = 256;
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kBlockColumns = 40;
constexpr int kBlockRows = 30;

Vector3 normalised(const Vector3& p) {
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    return Vector3{p.x / length, p.y / length, p.z / length};
}

Vector3 minus(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector3 plus(const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 dividedBy(const Vector3& a, float d) { return Vector3{a.x / d, a.y / d, a.z / d}; }

#if PEEKSTUN_SIMD

// One lattice column's stretch down a block row, for one interpolated
// quantity: its value at rows 0..3 and at rows 4..7 of the block, a row per
// lane. Row y holds top << 8 plus y times (bottom - top) << 5 in 16.16 fixed
// point, wrapping like 32-bit registers: far samples carry u values too
// large for it. The stretch is the right edge of one block and the left
// edge of the next.
struct EdgeRows {
    __m128i upper;
    __m128i lower;
};

// The three quantities of one lattice column's stretch.
struct LatticeEdge {
    EdgeRows u;
    EdgeRows v;
    EdgeRows shade;
};

// Four lanes, one per row, from four vectors of u, v and shade (and a fourth
// lane nothing reads), one vector per row.
inline void transposeRows(__m128i row0, __m128i row1, __m128i row2, __m128i row3, __m128i& u, __m128i& v,
                          __m128i& shade) {
    const __m128i uv01 = _mm_unpacklo_epi32(row0, row1);
    const __m128i uv23 = _mm_unpacklo_epi32(row2, row3);
    const __m128i shade01 = _mm_unpackhi_epi32(row0, row1);
    const __m128i shade23 = _mm_unpackhi_epi32(row2, row3);
    u = _mm_unpacklo_epi64(uv01, uv23);
    v = _mm_unpackhi_epi64(uv01, uv23);
    shade = _mm_unpacklo_epi64(shade01, shade23);
}

// The stretch from a lattice sample to the one below it, which the lattice
// stores right after it: all three quantities at once, then a vector each.
static_assert(sizeof(TunnelSample) == 12, "samples lie back to back");
inline LatticeEdge latticeEdgeOf(const TunnelSample& top) {
    // The top sample with the bottom one's u, and the bottom one after the
    // top one's shade: both loads stay within the two samples.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&top);
    const __m128i topLanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i bottomLanes = _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 8)), 4);
    const __m128i start = _mm_slli_epi32(topLanes, 8);
    const __m128i step = _mm_slli_epi32(_mm_sub_epi32(bottomLanes, topLanes), 5);
    __m128i rows[8];
    rows[0] = start;
    for (int y = 1; y < 8; ++y) rows[y] = _mm_add_epi32(rows[y - 1], step);
    LatticeEdge edge;
    transposeRows(rows[0], rows[1], rows[2], rows[3], edge.u.upper, edge.v.upper, edge.shade.upper);
    transposeRows(rows[4], rows[5], rows[6], rows[7], edge.u.lower, edge.v.lower, edge.shade.lower);
    return edge;
}

// One interpolated quantity for four rows of a block: its value at the
// current column and its step along the row, which is the difference of the
// row's ends shifted right by 3.
struct RowLanes {
    __m128i value;
    __m128i step;
};

inline RowLanes rowLanes(__m128i left, __m128i right) {
    return RowLanes{left, _mm_srai_epi32(_mm_sub_epi32(right, left), 3)};
}

// Level L of a colour, channel by channel (L ch) / 128, for levels 0..128
// (the only ones the samples produce); scale holds 2 L in both 16-bit halves
// of each pixel. Blue and red, the low bytes of the halves, are moved up so
// the high half of their product with 2 L is the result; green, the high byte
// of the lower half, is moved down and 2 L ch stays within 16 bits, its high
// byte being the result in place. The top byte of colour must be zero.
inline __m128i shaded(__m128i colour, __m128i scale) {
    const __m128i highBytes = _mm_set1_epi16(static_cast<short>(0xff00));
    const __m128i blueAndRed = _mm_mulhi_epu16(_mm_slli_epi16(colour, 8), scale);
    const __m128i green = _mm_and_si128(_mm_mullo_epi16(_mm_srli_epi16(colour, 8), scale), highBytes);
    return _mm_or_si128(blueAndRed, green);
}

// 2 (shade >> 16) in both 16-bit halves of each lane. For shade 0..2^23 the
// high half of each lane is the level itself.
inline __m128i scaleOf(__m128i shade) {
    const __m128i levels = _mm_shufflehi_epi16(_mm_shufflelo_epi16(shade, 0xf5), 0xf5);
    return _mm_add_epi16(levels, levels);
}

inline __m128i gathered(const uint32_t* colours, uint16_t first, uint16_t second, uint16_t third, uint16_t fourth) {
    const __m128i low = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(colours[first])),
                                           _mm_cvtsi32_si128(static_cast<int>(colours[second])));
    const __m128i high = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(colours[third])),
                                            _mm_cvtsi32_si128(static_cast<int>(colours[fourth])));
    return _mm_unpacklo_epi64(low, high);
}

// Four pixels at out take the colours or, additive, add them channel by
// channel saturating at 255 with the top byte dropped, as saturatingAdd.
template <bool additive>
inline void put(uint32_t* out, __m128i colour) {
    auto* target = reinterpret_cast<__m128i*>(out);
    if (additive) colour = _mm_and_si128(_mm_adds_epu8(_mm_loadu_si128(target), colour), _mm_set1_epi32(0x00ffffff));
    _mm_storeu_si128(target, colour);
}

// Four rows of one block.
struct BlockRows {
    RowLanes u;
    RowLanes v;
    RowLanes shade;
};

// The texel index and scale of the current column's four pixels, then a step
// along the rows. Interleaving the bytes of u and v puts texel column
// (u >> 16) & 255 and row (v >> 16) & 255 side by side: the 16-bit texel
// index of lane k is word 2 + 4 k of indices.
inline void advanceColumn(BlockRows& rows, uint16_t indices[16], __m128i& scale) {
    _mm_store_si128(reinterpret_cast<__m128i*>(indices), _mm_unpacklo_epi8(rows.u.value, rows.v.value));
    _mm_store_si128(reinterpret_cast<__m128i*>(indices + 8), _mm_unpackhi_epi8(rows.u.value, rows.v.value));
    scale = scaleOf(rows.shade.value);
    rows.u.value = _mm_add_epi32(rows.u.value, rows.u.step);
    rows.v.value = _mm_add_epi32(rows.v.value, rows.v.step);
    rows.shade.value = _mm_add_epi32(rows.shade.value, rows.shade.step);
}

inline __m128i columnColours(const uint32_t* colours, const uint16_t indices[16], __m128i scale) {
    return shaded(gathered(colours, indices[2], indices[6], indices[10], indices[14]), scale);
}

// The next four columns of four rows: fetched and shaded a column at a time,
// turned into rows for the frame.
template <bool additive>
inline void fillFourColumns(BlockRows& rows, const uint32_t* colours, uint32_t* out, size_t stride) {
    alignas(16) uint16_t indices[4][16];
    __m128i scales[4];
    advanceColumn(rows, indices[0], scales[0]);
    advanceColumn(rows, indices[1], scales[1]);
    advanceColumn(rows, indices[2], scales[2]);
    advanceColumn(rows, indices[3], scales[3]);
    // The indices are read back from memory: one load each is cheaper than
    // extracting them from the registers.
    asm("" : "+m"(indices));
    const __m128i column0 = columnColours(colours, indices[0], scales[0]);
    const __m128i column1 = columnColours(colours, indices[1], scales[1]);
    const __m128i column2 = columnColours(colours, indices[2], scales[2]);
    const __m128i column3 = columnColours(colours, indices[3], scales[3]);
    const __m128i rows01Left = _mm_unpacklo_epi32(column0, column1);
    const __m128i rows01Right = _mm_unpacklo_epi32(column2, column3);
    const __m128i rows23Left = _mm_unpackhi_epi32(column0, column1);
    const __m128i rows23Right = _mm_unpackhi_epi32(column2, column3);
    put<additive>(out, _mm_unpacklo_epi64(rows01Left, rows01Right));
    put<additive>(out + stride, _mm_unpackhi_epi64(rows01Left, rows01Right));
    put<additive>(out + 2 * stride, _mm_unpacklo_epi64(rows23Left, rows23Right));
    put<additive>(out + 3 * stride, _mm_unpackhi_epi64(rows23Left, rows23Right));
}

template <bool additive>
inline void fillFourRows(BlockRows rows, const uint32_t* colours, uint32_t* out, size_t stride) {
    fillFourColumns<additive>(rows, colours, out, stride);
    fillFourColumns<additive>(rows, colours, out + 4, stride);
}

template <bool additive>
void fillAllBlocks(const TunnelSample* grid, const uint32_t* colours, uint32_t* pixels, size_t stride) {
    LatticeEdge edges[c3DTunnel::kLatticeColumns];
    for (int by = 0; by < kBlockRows; ++by) {
        for (int column = 0; column < c3DTunnel::kLatticeColumns; ++column) {
            edges[column] = latticeEdgeOf(grid[column * c3DTunnel::kLatticeRows + by]);
        }
        uint32_t* blockRow = pixels + static_cast<size_t>(by) * 8 * stride;
        for (int bx = 0; bx < kBlockColumns; ++bx) {
            const LatticeEdge& left = edges[bx];
            const LatticeEdge& right = edges[bx + 1];
            const BlockRows upper{rowLanes(left.u.upper, right.u.upper), rowLanes(left.v.upper, right.v.upper),
                                  rowLanes(left.shade.upper, right.shade.upper)};
            const BlockRows lower{rowLanes(left.u.lower, right.u.lower), rowLanes(left.v.lower, right.v.lower),
                                  rowLanes(left.shade.lower, right.shade.lower)};
            fillFourRows<additive>(upper, colours, blockRow + bx * 8, stride);
            fillFourRows<additive>(lower, colours, blockRow + 4 * stride + bx * 8, stride);
        }
    }
}

#else

// One interpolated quantity at row y of a block's edge: top << 8 plus y times
// (bottom - top) << 5 in 16.16 fixed point, wrapping like a 32-bit register
// (far samples carry u values too large for it).
inline uint32_t edgeValue(int32_t top, int32_t bottom, int y) {
    const uint32_t step = (static_cast<uint32_t>(bottom) - static_cast<uint32_t>(top)) << 5;
    return (static_cast<uint32_t>(top) << 8) + static_cast<uint32_t>(y) * step;
}

// Along a block row the step is the difference of the row's ends, shifted
// right by 3 with its sign.
inline uint32_t rowStep(uint32_t left, uint32_t right) {
    return static_cast<uint32_t>(static_cast<int32_t>(right - left) >> 3);
}

// One 16-bit half of a pixel at level L, given scale = 2 L: the low byte
// becomes (low byte 2 L) >> 8 and the high byte (high byte 2 L) >> 8, each in
// its own place, 16-bit products wrapping as the vector lanes do.
inline uint32_t shadedHalf(uint32_t half, uint32_t scale) {
    const uint32_t low = ((((half << 8) & 0xffffu) * scale) >> 16) & 0xffu;
    const uint32_t high = (((half >> 8) * scale) & 0xffffu) & 0xff00u;
    return low | high;
}

inline uint32_t shaded(uint32_t colour, uint32_t shade) {
    const uint32_t scale = (2u * (shade >> 16)) & 0xffffu;
    return shadedHalf(colour & 0xffffu, scale) | (shadedHalf(colour >> 16, scale) << 16);
}

template <bool additive>
void fillAllBlocks(const TunnelSample* grid, const uint32_t* colours, uint32_t* pixels, size_t stride) {
    constexpr int rows = c3DTunnel::kLatticeRows;
    for (int by = 0; by < kBlockRows; ++by) {
        for (int bx = 0; bx < kBlockColumns; ++bx) {
            const TunnelSample& topLeft = grid[bx * rows + by];
            const TunnelSample& bottomLeft = grid[bx * rows + by + 1];
            const TunnelSample& topRight = grid[(bx + 1) * rows + by];
            const TunnelSample& bottomRight = grid[(bx + 1) * rows + by + 1];
            for (int y = 0; y < 8; ++y) {
                uint32_t u = edgeValue(topLeft.u, bottomLeft.u, y);
                uint32_t v = edgeValue(topLeft.v, bottomLeft.v, y);
                uint32_t shade = edgeValue(topLeft.shade, bottomLeft.shade, y);
                const uint32_t uStep = rowStep(u, edgeValue(topRight.u, bottomRight.u, y));
                const uint32_t vStep = rowStep(v, edgeValue(topRight.v, bottomRight.v, y));
                const uint32_t shadeStep = rowStep(shade, edgeValue(topRight.shade, bottomRight.shade, y));
                uint32_t* out = pixels + static_cast<size_t>(by * 8 + y) * stride + bx * 8;
                for (int x = 0; x < 8; ++x) {
                    const uint32_t texel = (((v >> 16) & 255u) << 8) | ((u >> 16) & 255u);
                    const uint32_t colour = shaded(colours[texel], shade);
                    out[x] = additive ? saturatingAdd(out[x], colour) : colour;
                    u += uStep;
                    v += vStep;
                    shade += shadeStep;
                }
            }
        }
    }
}

#endif

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

void c3DTunnel::castWallHits() {
    const Matrix4 rotation = Matrix4::rotation(angles[0], angles[1], angles[2]);
    const Vector3 topLeft = normalised(rotation.transform(Vector3{-160.0f, -100.0f, 128.0f}));
    const Vector3 topRight = normalised(rotation.transform(Vector3{160.0f, -100.0f, 128.0f}));
    const Vector3 bottomLeft = normalised(rotation.transform(Vector3{-160.0f, 100.0f, 128.0f}));
    const Vector3 bottomRight = normalised(rotation.transform(Vector3{160.0f, 100.0f, 128.0f}));

    // 26 and 41 rather than 30 and 40: the lattice reaches past the bottom
    // corners and stops short of the right ones.
    const Vector3 leftStep = dividedBy(minus(bottomLeft, topLeft), 26.0f);
    const Vector3 rightStep = dividedBy(minus(bottomRight, topRight), 26.0f);
    // The directions first, then the hits four rays at a time.
    float x[kLatticeColumns * kPaddedRows] = {};
    float y[kLatticeColumns * kPaddedRows] = {};
    float z[kLatticeColumns * kPaddedRows] = {};
    Vector3 left = topLeft;
    Vector3 right = topRight;
    for (int row = 0; row < kLatticeRows; ++row) {
        const Vector3 columnStep = dividedBy(minus(right, left), 41.0f);
        Vector3 direction = left;
        for (int column = 0; column < kLatticeColumns; ++column) {
            const int ray = column * kPaddedRows + row;
            x[ray] = direction.x;
            y[ray] = direction.y;
            z[ray] = direction.z;
            direction = plus(direction, columnStep);
        }
        left = plus(left, leftStep);
        right = plus(right, rightStep);
    }
    for (int column = 0; column < kLatticeColumns; ++column) {
        const int last = column * kPaddedRows + kLatticeRows - 1;
        for (int pad = last + 1; pad < (column + 1) * kPaddedRows; ++pad) {
            x[pad] = x[last];
            y[pad] = y[last];
            z[pad] = z[last];
        }
    }
    tunnelWallHits(x, y, z, kLatticeColumns * kPaddedRows, radius, hitX, hitY, hitZ);
    tunnelAngles(hitX, hitY, kLatticeColumns * kPaddedRows, hitAngles);
}

void c3DTunnel::castLattice() {
    // The wall hits, and all of each sample but its depth, depend only on the
    // camera's turn, which stands still during the run-in.
    const bool turned = !hitsCast || std::memcmp(castAngles, angles, sizeof angles) != 0;
    if (turned) {
        castWallHits();
        std::memcpy(castAngles, angles, sizeof angles);
        hitsCast = true;
    }
    for (int column = 0; column < kLatticeColumns; ++column) {
        const int first = column * kPaddedRows;
        TunnelSample* samples = grid + column * kLatticeRows;
        if (turned) {
            tunnelSamplesAt(hitX + first, hitY + first, hitZ + first, hitAngles + first, kLatticeRows, travel, samples);
        } else {
            tunnelDepthsAt(hitX + first, hitY + first, hitZ + first, kLatticeRows, travel, samples);
        }
    }
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
