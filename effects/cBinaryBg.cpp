#include "effects/cBinaryBg.h"

#include <algorithm>
#include <string>

#include "effects/saturatingAdd.h"
#include "effects/showRandom.h"
#include "platform/simd.h"

cBinaryBg::cBinaryBg(int width, int height) : cEffect(width, height), offset(0), lastShift(0) {
    const DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
    for (int i = 0; i < kPictureCount; ++i) {
        const std::string fileName = show::dataPath(show::kFirstBinaryColumn + i);
        stripes[i] = std::make_unique<cBitmap>(width, height, fileName.c_str(), cBitmap::MODE_ADDITIVE, frameFormat);
    }
    for (int32_t& cell : cells) cell = showRand() % kPictureCount;

    bool sameShape = true;
    for (const auto& stripe : stripes) {
        sameShape &= stripe->getWidth() == kColumnPitch && stripe->getHeight() == stripes[0]->getHeight() &&
                     stripe->format().bytes() == 4;
    }
    if (sameShape) {
        stripeHeight = stripes[0]->getHeight();
        const size_t pictureSize = static_cast<size_t>(stripeHeight) * kColumnPitch;
        stripePixels.resize(pictureSize * kPictureCount);
        for (int i = 0; i < kPictureCount; ++i) {
            const auto* pixels = static_cast<const uint32_t*>(stripes[i]->lock());
            std::copy(pixels, pixels + pictureSize, stripePixels.begin() + i * pictureSize);
            stripes[i]->unlock();
        }
    }
    ready = 1;
}

cBinaryBg::~cBinaryBg() = default;

int cBinaryBg::draw(DynamicSurface& target, float t) {
    if (!ready) return 0;
    offset = truncateAndMask(t, 3);

    int x = 1 - offset;
    if (!stripePixels.empty() && target.format().bytes() == 4) {
        addBand(target, x);
    } else {
        for (int i = 0; i < kCellCount; ++i) {
            stripes[cells[i]]->draw(target, x, 1);
            x += kColumnPitch;
        }
    }

    // Shifting after drawing: a frame shows the cells as they were before it.
    shift(t);
    return 1;
}

void cBinaryBg::skipDraw(float t) {
    if (!ready) return;
    offset = truncateAndMask(t, 3);
    shift(t);
}

void cBinaryBg::shift(float t) {
    const int whole = truncateAndMask(t, 15);
    if (whole != lastShift) {
        for (int i = 0; i < kCellCount - 1; ++i) cells[i] = cells[i + 1];
        cells[kCellCount - 1] = showRand() % kPictureCount;
        lastShift = whole;
    }
}

void cBinaryBg::addBand(DynamicSurface& target, int x) {
    // The pictures' clip rectangle is the effect's size; the target bounds it too.
    constexpr int kTop = 1;
    const int targetWidth = target.width();
    const int from = std::max(x, 0);
    const int to = std::min({x + kCellCount * kColumnPitch, width, targetWidth});
    const int bottom = std::min({kTop + stripeHeight, height, target.height()});
    if (from >= to || kTop >= bottom) return;

    // Each cell's picture, then the band a row at a time.
    const uint32_t* cellPictures[kCellCount];
    for (int cell = 0; cell < kCellCount; ++cell) {
        cellPictures[cell] = stripePixels.data() + static_cast<size_t>(cells[cell]) * stripeHeight * kColumnPitch;
    }
    const int firstWhole = from + (kColumnPitch - (from - x) % kColumnPitch) % kColumnPitch;
    auto* pixels = static_cast<uint32_t*>(target.lock());
    for (int y = kTop; y < bottom; ++y) {
        uint32_t* row = pixels + static_cast<int64_t>(y) * targetWidth;
        const size_t pictureRow = static_cast<size_t>(y - kTop) * kColumnPitch;
        const auto texel = [&](int column) {
            return cellPictures[(column - x) / kColumnPitch][pictureRow + (column - x) % kColumnPitch];
        };
        // A cell cut by the left edge, then whole cells, then one cut by the right.
        for (int column = from; column < std::min(firstWhole, to); ++column) {
            row[column] = saturatingAdd(row[column], texel(column));
        }
        int column = firstWhole;
#if PEEKSTUN_SIMD
        static_assert(kColumnPitch == 4, "a cell is one vector of pixels");
        const __m128i channels = _mm_set1_epi32(0x00FFFFFF);
#endif
        for (int cell = (column - x) / kColumnPitch; column + kColumnPitch <= to; ++cell, column += kColumnPitch) {
            const uint32_t* picture = cellPictures[cell] + pictureRow;
#if PEEKSTUN_SIMD
            auto* out = reinterpret_cast<__m128i*>(row + column);
            const __m128i sum =
                _mm_adds_epu8(_mm_loadu_si128(out), _mm_loadu_si128(reinterpret_cast<const __m128i*>(picture)));
            _mm_storeu_si128(out, _mm_and_si128(sum, channels));
#else
            for (int i = 0; i < kColumnPitch; ++i) row[column + i] = saturatingAdd(row[column + i], picture[i]);
#endif
        }
        for (; column < to; ++column) row[column] = saturatingAdd(row[column], texel(column));
    }
    target.unlock();
}
