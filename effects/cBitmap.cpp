#include "effects/cBitmap.h"

#include <algorithm>
#include <cstring>

#include "effects/saturatingAdd.h"
#include "image/Image.h"
#include "platform/display/DynamicError.h"
#include "platform/simd.h"

namespace {

// Where the clipped picture lands: the first target pixel, the first picture
// pixel and the size of the block copied, all in pixels.
struct Placement {
    int64_t targetX, targetY;
    int64_t pictureX, pictureY;
    int64_t columns, rows;
};

// Applies blend(d, s) to every pixel of the placed block.
template <typename Pixel, typename Blend>
void blendBlock(Pixel* target, int64_t targetWidth, const Pixel* picture, int64_t pictureWidth, const Placement& at,
                Blend blend) {
    for (int64_t row = 0; row < at.rows; ++row) {
        Pixel* d = target + (at.targetY + row) * targetWidth + at.targetX;
        const Pixel* s = picture + (at.pictureY + row) * pictureWidth + at.pictureX;
        for (int64_t column = 0; column < at.columns; ++column) blend(d[column], s[column]);
    }
}

template <typename Pixel>
void copyBlock(Pixel* target, int64_t targetWidth, const Pixel* picture, int64_t pictureWidth, const Placement& at) {
    for (int64_t row = 0; row < at.rows; ++row) {
        Pixel* d = target + (at.targetY + row) * targetWidth + at.targetX;
        const Pixel* s = picture + (at.pictureY + row) * pictureWidth + at.pictureX;
        std::memcpy(d, s, static_cast<size_t>(at.columns) * sizeof(Pixel));
    }
}

void drawIndexed(int mode, uint8_t* target, int64_t targetWidth, const uint8_t* picture, int64_t pictureWidth,
                 const Placement& at) {
    switch (mode) {
        case cBitmap::MODE_COPY:
            copyBlock(target, targetWidth, picture, pictureWidth, at);
            break;
        case cBitmap::MODE_TRANSPARENT:
            blendBlock(target, targetWidth, picture, pictureWidth, at, [](uint8_t& d, uint8_t s) {
                if (s != 0) d = s;
            });
            break;
        case cBitmap::MODE_ADDITIVE:
            blendBlock(target, targetWidth, picture, pictureWidth, at, [](uint8_t& d, uint8_t s) {
                const int sum = d + s;
                d = static_cast<uint8_t>(sum > 255 ? 255 : sum);
            });
            break;
        case cBitmap::MODE_INVERT:
            blendBlock(target, targetWidth, picture, pictureWidth, at, [](uint8_t& d, uint8_t s) {
                if (s != 0) d = static_cast<uint8_t>(~d);
            });
            break;
        default:
            break;
    }
}

// The 32-bit blends of one row of count pixels, four at a time where the
// processor allows; each gives exactly the per-pixel result.
#if PEEKSTUN_SIMD
inline __m128i load4(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
#endif

void transparentRow(uint32_t* d, const uint32_t* s, int64_t count) {
    int64_t i = 0;
#if PEEKSTUN_SIMD
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
        const __m128i picture = load4(s + i);
        const __m128i black = _mm_cmpeq_epi32(picture, zero);
        store4(d + i, _mm_or_si128(_mm_and_si128(black, load4(d + i)), picture));
    }
#endif
    for (; i < count; ++i) {
        if (s[i] != 0) d[i] = s[i];
    }
}

void additiveRow(uint32_t* d, const uint32_t* s, int64_t count) {
    int64_t i = 0;
#if PEEKSTUN_SIMD
    // Byte-wise saturation is the per-channel limit; the top byte is cleared.
    const __m128i channels = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= count; i += 4) {
        store4(d + i, _mm_and_si128(_mm_adds_epu8(load4(d + i), load4(s + i)), channels));
    }
    // Narrow pictures end most rows with a few pixels: two, then one, in
    // vector registers too.
    if (i + 2 <= count) {
        auto* two = reinterpret_cast<__m128i*>(d + i);
        const __m128i sum =
            _mm_adds_epu8(_mm_loadl_epi64(two), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i)));
        _mm_storel_epi64(two, _mm_and_si128(sum, channels));
        i += 2;
    }
    if (i < count) {
        const __m128i sum =
            _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(d[i])), _mm_cvtsi32_si128(static_cast<int>(s[i])));
        d[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_and_si128(sum, channels)));
        ++i;
    }
#endif
    for (; i < count; ++i) d[i] = saturatingAdd(d[i], s[i]);
}

void invertRow(uint32_t* d, const uint32_t* s, int64_t count) {
    int64_t i = 0;
#if PEEKSTUN_SIMD
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
        // XOR with all ones where the picture pixel is not 0.
        const __m128i lit = _mm_andnot_si128(_mm_cmpeq_epi32(load4(s + i), zero), _mm_set1_epi32(-1));
        store4(d + i, _mm_xor_si128(load4(d + i), lit));
    }
#endif
    for (; i < count; ++i) {
        if (s[i] != 0) d[i] = ~d[i];
    }
}

// Columns of 0 shorter than this inside a lit stretch are drawn with it,
// which costs less than starting a new stretch.
constexpr int32_t kLongestFoldedGap = 8;

template <typename Row>
void blendRows(uint32_t* target, int64_t targetWidth, const uint32_t* picture, int64_t pictureWidth,
               const Placement& at, Row blendRow) {
    for (int64_t row = 0; row < at.rows; ++row) {
        blendRow(target + (at.targetY + row) * targetWidth + at.targetX,
                 picture + (at.pictureY + row) * pictureWidth + at.pictureX, at.columns);
    }
}

void drawDirect(int mode, uint32_t* target, int64_t targetWidth, const uint32_t* picture, int64_t pictureWidth,
                const Placement& at) {
    switch (mode) {
        case cBitmap::MODE_COPY:
            copyBlock(target, targetWidth, picture, pictureWidth, at);
            break;
        case cBitmap::MODE_TRANSPARENT:
            blendRows(target, targetWidth, picture, pictureWidth, at, transparentRow);
            break;
        case cBitmap::MODE_ADDITIVE:
            // Each channel saturates at its mask; the top byte ends up 0.
            blendRows(target, targetWidth, picture, pictureWidth, at, additiveRow);
            break;
        case cBitmap::MODE_INVERT:
            // The whole word flips, top byte included.
            blendRows(target, targetWidth, picture, pictureWidth, at, invertRow);
            break;
        default:
            break;
    }
}

// A blend of the rows' lit stretches only, each clipped to the placed block.
template <typename Row, typename LitRun>
void blendLitRuns(uint32_t* target, int64_t targetWidth, const uint32_t* picture, int64_t pictureWidth,
                  const Placement& at, const std::vector<LitRun>& runs, const std::vector<uint32_t>& rowFirstRun,
                  Row blendRow) {
    const int64_t blockLast = at.pictureX + at.columns;
    for (int64_t row = 0; row < at.rows; ++row) {
        const int64_t pictureRow = at.pictureY + row;
        uint32_t* d = target + (at.targetY + row) * targetWidth + at.targetX;
        const uint32_t* s = picture + pictureRow * pictureWidth;
        for (uint32_t r = rowFirstRun[pictureRow]; r < rowFirstRun[pictureRow + 1]; ++r) {
            const int64_t first = std::max<int64_t>(runs[r].first, at.pictureX);
            const int64_t last = std::min<int64_t>(runs[r].last, blockLast);
            if (first < last) blendRow(d + (first - at.pictureX), s + first, last - first);
        }
    }
}

// The drawing loops know two pixel sizes only.
int checkedPixelSize(const DynamicFormat& format) {
    const int bytes = format.bytes();
    if (bytes != 1 && bytes != 4) throw DynamicError("cBitmap: a picture must have 1 or 4 bytes per pixel");
    return bytes;
}

}  // namespace

cBitmap::cBitmap(int width, int height, const char* fileName, int mode, const DynamicFormat& format)
    : cEffect(width, height), mode(mode), format_(format), bytesPerPixel(checkedPixelSize(format)) {
    Image image(fileName);
    picture = std::make_unique<DynamicSurface>(image.width(), image.height(), format_);
    image.copy(*picture);
    ready = 1;
}

cBitmap::cBitmap(int width, int height, int mode, int pictureWidth, int pictureHeight, const DynamicFormat& format)
    : cEffect(width, height), mode(mode), format_(format), bytesPerPixel(checkedPixelSize(format)) {
    picture = std::make_unique<DynamicSurface>(pictureWidth, pictureHeight, format_);
    ready = 1;
}

cBitmap::~cBitmap() = default;

int cBitmap::draw(DynamicSurface& target, int x, int y) {
    if (!ready) return 0;

    // Positions are widened so that no sum below can overflow.
    const int64_t pictureWidth = picture->width();
    const int64_t pictureHeight = picture->height();
    const int64_t clipLeft = area.left();
    const int64_t clipTop = area.top();
    const int64_t clipRight = area.right();
    const int64_t clipBottom = area.bottom();
    int64_t left = x;
    int64_t top = y;

    // A picture that merely touches an edge of the rectangle is not rejected.
    if (left + pictureWidth < clipLeft || top + pictureHeight < clipTop || clipRight < left || clipBottom < top) {
        return 0;
    }
    if (target.format().bytes() != bytesPerPixel) {
        throw DynamicError("cBitmap: the target's pixel size differs from the picture's");
    }

    // The clip rectangle may reach beyond the target; the target's own edges
    // bound the drawing as well.
    const int64_t targetWidth = target.width();
    const int64_t targetHeight = target.height();
    const int64_t boundLeft = std::max<int64_t>(clipLeft, 0);
    const int64_t boundTop = std::max<int64_t>(clipTop, 0);
    const int64_t boundRight = std::min(clipRight, targetWidth);
    const int64_t boundBottom = std::min(clipBottom, targetHeight);

    int64_t right = left + pictureWidth;
    int64_t bottom = top + pictureHeight;
    int64_t skipX = 0;
    int64_t skipY = 0;
    if (left < boundLeft) {
        skipX = boundLeft - left;
        left = boundLeft;
    }
    if (right > boundRight) right = boundRight;
    if (top < boundTop) {
        skipY = boundTop - top;
        top = boundTop;
    }
    if (bottom > boundBottom) bottom = boundBottom;

    void* targetPixels = target.lock();
    const void* picturePixels = picture->lock();
    if (right > left && bottom > top) {
        const Placement at{left, top, skipX, skipY, right - left, bottom - top};
        if (bytesPerPixel == 1) {
            drawIndexed(mode, static_cast<uint8_t*>(targetPixels), targetWidth,
                        static_cast<const uint8_t*>(picturePixels), pictureWidth, at);
        } else if ((mode == MODE_TRANSPARENT || mode == MODE_INVERT) && callerLocks == 0) {
            // Both leave the target as it is under a 0 pixel.
            if (!litRunsKnown) findLitRuns();
            blendLitRuns(static_cast<uint32_t*>(targetPixels), targetWidth, static_cast<const uint32_t*>(picturePixels),
                         pictureWidth, at, litRuns, rowFirstRun, mode == MODE_TRANSPARENT ? transparentRow : invertRow);
        } else {
            drawDirect(mode, static_cast<uint32_t*>(targetPixels), targetWidth,
                       static_cast<const uint32_t*>(picturePixels), pictureWidth, at);
        }
    }
    target.unlock();
    picture->unlock();
    return 1;
}

int cBitmap::load(const char* fileName) {
    Image image(fileName);
    image.copy(*picture);
    litRunsKnown = false;
    return 1;
}

void cBitmap::findLitRuns() {
    const int height = picture->height();
    const int width = picture->width();
    const uint32_t* pixels = static_cast<const uint32_t*>(picture->lock());
    litRuns.clear();
    rowFirstRun.assign(static_cast<size_t>(height) + 1, 0);
    for (int y = 0; y < height; ++y) {
        rowFirstRun[y] = static_cast<uint32_t>(litRuns.size());
        const uint32_t* row = pixels + static_cast<int64_t>(y) * width;
        const size_t rowStart = litRuns.size();
        for (int x = 0; x < width;) {
            if (row[x] == 0) {
                ++x;
                continue;
            }
            const int first = x;
            while (x < width && row[x] != 0) ++x;
            if (litRuns.size() > rowStart && first - litRuns.back().last < kLongestFoldedGap) {
                litRuns.back().last = x;
            } else {
                litRuns.push_back(LitRun{first, x});
            }
        }
    }
    rowFirstRun[height] = static_cast<uint32_t>(litRuns.size());
    picture->unlock();
    litRunsKnown = true;
}

int cBitmap::getWidth() { return picture->width(); }

int cBitmap::getHeight() { return picture->height(); }

void* cBitmap::lock() {
    ++callerLocks;
    litRunsKnown = false;
    return picture->lock();
}

void cBitmap::unlock() {
    if (callerLocks > 0) --callerLocks;
    litRunsKnown = false;
    picture->unlock();
}
