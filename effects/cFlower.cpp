#include "effects/cFlower.h"

#include <cmath>
#include <cstddef>
#include <string>

#include "effects/floatToInt.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/simd.h"

namespace {

constexpr double kInverseTwoPi = 0.15915494309644432;

}  // namespace

cFlower::cFlower(int width, int height, float weight1, float weight2, int petals1, int petals2)
    : cEffect(width, height), mapWidth(2 * width), mapHeight(2 * height) {
    if (width <= 0 || height <= 0) {
        throw DynamicError("cFlower: the output size must be positive, not " + std::to_string(width) + " x " +
                           std::to_string(height));
    }
    flowerMap = std::make_unique<DynamicSurface>(mapWidth, mapHeight, DynamicFormat(8));
    fillMap(weight1, weight2, petals1, petals2);
    ready = 1;
}

namespace {

// The weighted petal waves as the map adds them to the distance.
struct PetalWaves {
    double cosineWeight;
    double sineWeight;
    int petals1;
    int petals2;
};

uint8_t mapByte(double distance, double cosine, double sineTerm, const PetalWaves& waves) {
    const double value = distance + waves.cosineWeight * cosine + sineTerm;
    return static_cast<uint8_t>(truncToWrappedInt(value) & 255);
}

PetalWaves petalWaves(float weight1, float weight2, int petals1, int petals2) {
    return PetalWaves{weight1 * 255.0 * kInverseTwoPi, weight2 * 255.0 * kInverseTwoPi, petals1, petals2};
}

}  // namespace

void fillFlowerMapDirect(uint8_t* out, int mapWidth, int mapHeight, float weight1, float weight2, int petals1,
                         int petals2) {
    const PetalWaves waves = petalWaves(weight1, weight2, petals1, petals2);
    for (int y = -(mapHeight / 2); y <= mapHeight - mapHeight / 2 - 1; ++y) {
        for (int x = -(mapWidth / 2); x <= mapWidth - mapWidth / 2 - 1; ++x) {
            const double angle = std::atan2(static_cast<double>(y), static_cast<double>(x));
            const double distance = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
            *out++ = mapByte(distance, std::cos(petals1 * angle), waves.sineWeight * std::sin(petals2 * angle), waves);
        }
    }
}

void fillFlowerMap(uint8_t* out, int mapWidth, int mapHeight, float weight1, float weight2, int petals1, int petals2) {
    const PetalWaves waves = petalWaves(weight1, weight2, petals1, petals2);
    const int firstY = -(mapHeight / 2);
    const int lastY = mapHeight - mapHeight / 2 - 1;
    const int firstX = -(mapWidth / 2);
    auto rowOf = [&](int y) { return out + static_cast<size_t>(y - firstY) * mapWidth; };
    // Rows y >= 0 are computed, and with them each row -y the map holds:
    // atan2 is odd in y, cos even and sin odd, so (x, -y) shares the distance
    // and the cosine and negates the sine term.
    for (int y = 0; y <= lastY; ++y) {
        uint8_t* row = rowOf(y);
        uint8_t* mirror = (y > 0 && -y >= firstY) ? rowOf(-y) : nullptr;
        for (int x = firstX; x < firstX + mapWidth; ++x) {
            const double angle = std::atan2(static_cast<double>(y), static_cast<double>(x));
            const double distance = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
            const double cosine = std::cos(petals1 * angle);
            const double sineTerm = waves.sineWeight * std::sin(petals2 * angle);
            row[x - firstX] = mapByte(distance, cosine, sineTerm, waves);
            if (mirror != nullptr) mirror[x - firstX] = mapByte(distance, cosine, -sineTerm, waves);
        }
    }
    // Rows below -lastY have no partner: only the first when the height is even.
    for (int y = firstY; y < -lastY; ++y) {
        uint8_t* row = rowOf(y);
        for (int x = firstX; x < firstX + mapWidth; ++x) {
            const double angle = std::atan2(static_cast<double>(y), static_cast<double>(x));
            const double distance = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y);
            row[x - firstX] =
                mapByte(distance, std::cos(petals1 * angle), waves.sineWeight * std::sin(petals2 * angle), waves);
        }
    }
}

void cFlower::fillMap(float weight1, float weight2, int petals1, int petals2) {
    auto* out = static_cast<uint8_t*>(flowerMap->lock());
    fillFlowerMap(out, flowerMap->width(), flowerMap->height(), weight1, weight2, petals1, petals2);
    flowerMap->unlock();
}

uint8_t cFlower::mapValue(int x, int y) {
    const int column = x + mapWidth / 2;
    const int row = y + mapHeight / 2;
    if (column < 0 || row < 0 || column >= mapWidth || row >= mapHeight) {
        throw DynamicError("cFlower: (" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside the map");
    }
    const auto* map = static_cast<const uint8_t*>(flowerMap->lock());
    const uint8_t value = map[static_cast<size_t>(row) * mapWidth + column];
    flowerMap->unlock();
    return value;
}

void cFlower::windowOrigins(int targetWidth, int targetHeight, float t, WindowOrigin origins[3]) {
    const float cx = static_cast<float>(targetWidth / 2);
    const float cy = static_cast<float>(targetHeight / 2);
    origins[0] = {truncToInt(cx + 120.0f * std::sin(1.1f * t + 1.5f)),
                  truncToInt(cy + 90.0f * std::cos(0.8f * t + 1.1f))};
    origins[1] = {truncToInt(cx + 120.0f * std::sin(0.9f * t + 4.2f)),
                  truncToInt(cy + 90.0f * std::cos(0.7f * t + 6.9f))};
    origins[2] = {truncToInt(cx + 120.0f * std::sin(0.9f * t + 3.1f)),
                  truncToInt(cy + 90.0f * std::cos(1.1f * t + 1.2f))};
}

int cFlower::draw(DynamicSurface& target, float t) {
    if (!ready) return 0;
    const int targetWidth = target.width();
    const int targetHeight = target.height();
    const int left = area.left();
    const int top = area.top();
    const int right = area.right();
    const int bottom = area.bottom();
    // The area bounds the loops, so it must fit the target; the windows are
    // placed from the target's size, so they must then fit the map.
    if (target.format().bytes() != 1 || left < 0 || top < 0 || right > targetWidth || bottom > targetHeight ||
        right < left || bottom < top) {
        throw DynamicError("cFlower: the target must be 8-bit and hold the drawing area");
    }
    WindowOrigin origins[3];
    windowOrigins(targetWidth, targetHeight, t, origins);
    for (const WindowOrigin& origin : origins) {
        const int64_t firstColumn = static_cast<int64_t>(origin.x) + left;
        const int64_t firstRow = static_cast<int64_t>(origin.y) + top;
        if (firstColumn < 0 || firstRow < 0 || static_cast<int64_t>(origin.x) + right > mapWidth ||
            static_cast<int64_t>(origin.y) + bottom > mapHeight) {
            throw DynamicError("cFlower: a window at (" + std::to_string(origin.x) + ", " + std::to_string(origin.y) +
                               ") leaves the map for a " + std::to_string(targetWidth) + " x " +
                               std::to_string(targetHeight) + " target");
        }
    }

    auto* pixels = static_cast<uint8_t*>(target.lock());
    const auto* map = static_cast<const uint8_t*>(flowerMap->lock());
    const int columns = right - left;
    for (int y = top; y < bottom; ++y) {
        const uint8_t* row1 = map + static_cast<size_t>(y + origins[0].y) * mapWidth + (origins[0].x + left);
        const uint8_t* row2 = map + static_cast<size_t>(y + origins[1].y) * mapWidth + (origins[1].x + left);
        const uint8_t* row3 = map + static_cast<size_t>(y + origins[2].y) * mapWidth + (origins[2].x + left);
        uint8_t* out = pixels + static_cast<size_t>(y) * targetWidth + left;
        int dx = 0;
#if PEEKSTUN_SIMD
        for (; dx + 16 <= columns; dx += 16) {
            const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row1 + dx));
            const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row2 + dx));
            const __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row3 + dx));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + dx), _mm_add_epi8(_mm_add_epi8(first, second), third));
        }
#endif
        for (; dx < columns; ++dx) out[dx] = static_cast<uint8_t>(row1[dx] + row2[dx] + row3[dx]);
    }
    target.unlock();
    flowerMap->unlock();
    return 1;
}
