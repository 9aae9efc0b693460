#include "effects/c2DTunnel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "effects/floatToInt.h"
#include "effects/saturatingAdd.h"
#include "image/Image.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/simd.h"

namespace {

// A little under 1/pi, so exact quarter turns fall one angle step short.
constexpr double kInversePi = 0.3183098861837697;
constexpr int kTextureSize = 256;

#if PEEKSTUN_SIMD
// The texels at lanes first to first + 3 of eight 16-bit indices.
template <int first>
inline __m128i gatherTexels(const uint32_t* texels, __m128i index) {
    return _mm_set_epi32(static_cast<int>(texels[_mm_extract_epi16(index, first + 3)]),
                         static_cast<int>(texels[_mm_extract_epi16(index, first + 2)]),
                         static_cast<int>(texels[_mm_extract_epi16(index, first + 1)]),
                         static_cast<int>(texels[_mm_extract_epi16(index, first)]));
}

// Four pixels at out take the texels (or, additive, add them channel by
// channel saturating at 255 and dropping the top byte, as saturatingAdd).
inline void putTexels(uint32_t* out, __m128i colours, bool additive) {
    auto* target = reinterpret_cast<__m128i*>(out);
    if (additive) {
        const __m128i sum = _mm_adds_epu8(_mm_loadu_si128(target), colours);
        colours = _mm_and_si128(sum, _mm_set1_epi32(0x00ffffff));
    }
    _mm_storeu_si128(target, colours);
}

// Eight pixels at out from eight texture indices.
inline void putEightTexels(uint32_t* out, const uint32_t* texels, __m128i index, bool additive) {
    putTexels(out, gatherTexels<0>(texels, index), additive);
    putTexels(out + 4, gatherTexels<4>(texels, index), additive);
}

inline __m128i loadEntries(const uint16_t* entries) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries));
}
#endif

}  // namespace

c2DTunnel::c2DTunnel(int outputWidth, int outputHeight, const char* textureFileName, int depthScale)
    : cEffect(2 * outputWidth, 2 * outputHeight),
      window(outputWidth / 2, outputHeight / 2, outputWidth + outputWidth / 2, outputHeight + outputHeight / 2) {
    if (outputWidth <= 0 || outputHeight <= 0) {
        throw DynamicError("c2DTunnel: the output size must be positive, not " + std::to_string(outputWidth) + " x " +
                           std::to_string(outputHeight));
    }
    // The base part holds the table's size; the area is the output rectangle.
    area = DynamicArea(0, 0, outputWidth, outputHeight);
    fillTable(depthScale);
    texture = std::make_unique<DynamicSurface>(kTextureSize, kTextureSize,
                                               DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0));
    Image picture(textureFileName);
    picture.copy(*texture);
    ready = 1;
}

namespace {

uint16_t tunnelEntry(int x, int y, int depthScale) {
    const double angleSteps = std::atan2(static_cast<double>(y), static_cast<double>(x)) * 256 * kInversePi * 0.5;
    const double distance = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
    const double depthValue = depthScale / std::max(distance, 1.0);
    const uint32_t angle = static_cast<uint32_t>(truncToWrappedInt(angleSteps) & 255);
    const uint32_t depth = static_cast<uint32_t>(truncToWrappedInt(depthValue) & 255);
    return static_cast<uint16_t>((depth << 8) + angle);
}

// The entry at (x, -y) from the one at (x, y): the distance is the same and
// atan2 is odd in y, so the angle's truncation is negated, which modulo 256
// is (256 - angle) & 255.
uint16_t mirroredEntry(uint16_t entry) { return static_cast<uint16_t>((entry & 0xff00u) | ((0u - entry) & 0xffu)); }

}  // namespace

std::vector<uint16_t> buildTunnelTableDirect(int outputWidth, int outputHeight, int depthScale) {
    const int w = outputWidth;
    const int h = outputHeight;
    std::vector<uint16_t> table(static_cast<size_t>(2 * w) * (2 * h));
    uint16_t* entry = table.data();
    for (int y = h; y > -h; --y) {
        for (int x = -w; x < w; ++x) *entry++ = tunnelEntry(x, y, depthScale);
    }
    return table;
}

std::vector<uint16_t> buildTunnelTable(int outputWidth, int outputHeight, int depthScale) {
    const int w = outputWidth;
    const int h = outputHeight;
    const size_t rowLength = static_cast<size_t>(2 * w);
    std::vector<uint16_t> table(rowLength * (2 * h));
    // Row j holds y = h - j. Rows y = h down to 0 are computed; the rows of
    // -1 down to 1 - h mirror those of 1 up to h - 1.
    for (int y = h; y >= 0; --y) {
        uint16_t* row = table.data() + static_cast<size_t>(h - y) * rowLength;
        for (int x = -w; x < w; ++x) row[x + w] = tunnelEntry(x, y, depthScale);
        if (y > 0 && y < h) {
            uint16_t* mirror = table.data() + static_cast<size_t>(h + y) * rowLength;
            for (size_t i = 0; i < rowLength; ++i) mirror[i] = mirroredEntry(row[i]);
        }
    }
    return table;
}

void c2DTunnel::fillTable(int depthScale) { tunnelTable = buildTunnelTable(width / 2, height / 2, depthScale); }

uint32_t c2DTunnel::tableEntry(int i, int j) const { return tunnelTable.at(static_cast<size_t>(j) * width + i); }

void c2DTunnel::setWindow(const DynamicArea& newWindow) { window = newWindow; }

void c2DTunnel::windowOrigins(float t, WindowOrigin origins[3]) const {
    const float cx = static_cast<float>(width / 4);
    const float cy = static_cast<float>(height / 4);
    origins[0] = {truncToInt(cx + 60.0f * std::sin(1.1f * t + 1.5f)),
                  truncToInt(cy + 45.0f * std::cos(0.8f * t + 1.1f))};
    origins[1] = {truncToInt(cx + 60.0f * std::sin(0.9f * t + 4.2f)),
                  truncToInt(cy + 45.0f * std::cos(0.7f * t + 6.9f))};
    origins[2] = {truncToInt(cx + 60.0f * std::sin(0.9f * t + 3.1f)),
                  truncToInt(cy + 45.0f * std::cos(1.1f * t + 1.2f))};
}

void c2DTunnel::checkFrameAndArea(const DynamicSurface& frame) const {
    const int w = outputWidth();
    const int h = height / 2;
    if (frame.format().bytes() != 4 || frame.width() < w || frame.height() < h) {
        throw DynamicError("c2DTunnel: the frame must be 32-bit and at least " + std::to_string(w) + " x " +
                           std::to_string(h));
    }
    if (area.left() < 0 || area.top() < 0 || area.right() > w || area.bottom() > h || area.width() < 0 ||
        area.height() < 0) {
        throw DynamicError("c2DTunnel: the drawing area must lie within " + std::to_string(w) + " x " +
                           std::to_string(h));
    }
}

void c2DTunnel::checkWindow(int64_t firstColumn, int64_t firstRow) const {
    if (firstColumn < 0 || firstRow < 0 || firstColumn + area.width() > width || firstRow + area.height() > height) {
        throw DynamicError("c2DTunnel: a window reading from (" + std::to_string(firstColumn) + ", " +
                           std::to_string(firstRow) + ") leaves the table");
    }
}

int c2DTunnel::drawTripleAdditive(DynamicSurface& frame, float t) { return drawThree(frame, t, true); }

int c2DTunnel::drawTriple(DynamicSurface& frame, float t) { return drawThree(frame, t, false); }

int c2DTunnel::drawSingle(DynamicSurface& frame, float t) { return drawOne(frame, t, false); }

int c2DTunnel::drawSingleAdditive(DynamicSurface& frame, float t) { return drawOne(frame, t, true); }

int c2DTunnel::drawThree(DynamicSurface& frame, float t, bool additive) {
    if (!ready) return 0;
    WindowOrigin origins[3];
    windowOrigins(t, origins);
    checkFrameAndArea(frame);
    for (const WindowOrigin& origin : origins) {
        checkWindow(static_cast<int64_t>(origin.x) + area.left(), static_cast<int64_t>(origin.y) + area.top());
    }

    // The additive draw scrolls the depth; the plain one offsets each
    // window's lookups by its own origin.
    uint32_t offsets[3];
    if (additive) {
        const uint32_t zoff = static_cast<uint32_t>(truncateAndMask(-100.0f * t, 255)) << 8;
        offsets[0] = offsets[1] = offsets[2] = zoff;
    } else {
        for (int k = 0; k < 3; ++k) {
            offsets[k] = (static_cast<uint32_t>(origins[k].y & 255) << 8) + static_cast<uint32_t>(origins[k].x & 255);
        }
    }
    const uint32_t offsetSum = offsets[0] + offsets[1] + offsets[2];

    const int w = outputWidth();
    const int left = area.left();
    const int right = area.right();
    auto* pixels = static_cast<uint32_t*>(frame.lock());
    const auto* texels = static_cast<const uint32_t*>(texture->lock());
    const int columns = right - left;
    for (int y = area.top(); y < area.bottom(); ++y) {
        const uint16_t* row1 =
            tunnelTable.data() + static_cast<size_t>(y + origins[0].y) * width + (origins[0].x + left);
        const uint16_t* row2 =
            tunnelTable.data() + static_cast<size_t>(y + origins[1].y) * width + (origins[1].x + left);
        const uint16_t* row3 =
            tunnelTable.data() + static_cast<size_t>(y + origins[2].y) * width + (origins[2].x + left);
        uint32_t* out = pixels + static_cast<size_t>(y) * w + left;
        // The entries are added as 16-bit lanes: the index keeps only the
        // low 16 bits of the sum, which carries out of them never reach.
        int dx = 0;
#if PEEKSTUN_SIMD
        const __m128i offsetLanes = _mm_set1_epi16(static_cast<int16_t>(offsetSum));
        for (; dx + 8 <= columns; dx += 8) {
            __m128i index = _mm_add_epi16(loadEntries(row1 + dx), loadEntries(row2 + dx));
            index = _mm_add_epi16(index, loadEntries(row3 + dx));
            index = _mm_add_epi16(index, offsetLanes);
            putEightTexels(out + dx, texels, index, additive);
        }
#endif
        for (; dx < columns; ++dx) {
            const uint32_t index = (row1[dx] + row2[dx] + row3[dx] + offsetSum) & 0xffff;
            out[dx] = additive ? saturatingAdd(out[dx], texels[index]) : texels[index];
        }
    }
    frame.unlock();
    texture->unlock();
    return 1;
}

int c2DTunnel::drawOne(DynamicSurface& frame, float t, bool additive) {
    if (!ready) return 0;
    // Only the window's top-left corner is used; the area gives the size.
    const WindowOrigin origin{window.left(), window.top()};
    const int left = area.left();
    const int top = area.top();
    checkFrameAndArea(frame);
    checkWindow(origin.x, origin.y);

    const uint32_t offset = (static_cast<uint32_t>(truncateAndMask(200.0f * t, 255)) << 8) +
                            static_cast<uint32_t>(truncToWrappedInt(99.9 * std::sin(t)) & 255);
    const int w = outputWidth();
    auto* pixels = static_cast<uint32_t*>(frame.lock());
    const auto* texels = static_cast<const uint32_t*>(texture->lock());
    for (int dy = 0; dy < area.height(); ++dy) {
        const uint16_t* entries = tunnelTable.data() + static_cast<size_t>(origin.y + dy) * width + origin.x;
        uint32_t* out = pixels + static_cast<size_t>(top + dy) * w + left;
        int dx = 0;
#if PEEKSTUN_SIMD
        const __m128i offsetLanes = _mm_set1_epi16(static_cast<int16_t>(offset));
        for (; dx + 8 <= area.width(); dx += 8) {
            putEightTexels(out + dx, texels, _mm_add_epi16(loadEntries(entries + dx), offsetLanes), additive);
        }
#endif
        for (; dx < area.width(); ++dx) {
            const uint32_t index = (entries[dx] + offset) & 0xffff;
            out[dx] = additive ? saturatingAdd(out[dx], texels[index]) : texels[index];
        }
    }
    frame.unlock();
    texture->unlock();
    return 1;
}
