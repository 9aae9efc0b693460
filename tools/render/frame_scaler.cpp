#include "frame_scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

FrameScaler::FrameScaler(int width, int height, const VideoPlacement& placement)
    : width(width), height(height), placement(placement) {
    const int magnifiedWidth = width * placement.factor;
    const int magnifiedHeight = height * placement.factor;
    if (placement.pictureWidth == magnifiedWidth && placement.pictureHeight == magnifiedHeight) return;
    // The flags of placementFilter's smooth step; bgr0 is the layout of 0x00RRGGBB words.
    smooth = sws_getContext(magnifiedWidth, magnifiedHeight, AV_PIX_FMT_BGR0, placement.pictureWidth,
                            placement.pictureHeight, AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!smooth) {
        throw std::runtime_error("cannot scale frames to " + std::to_string(placement.pictureWidth) + "x" +
                                 std::to_string(placement.pictureHeight));
    }
    magnified.resize(static_cast<size_t>(magnifiedWidth) * magnifiedHeight);
    picture.resize(static_cast<size_t>(placement.pictureWidth) * placement.pictureHeight);
}

FrameScaler::~FrameScaler() { sws_freeContext(smooth); }

// Each source pixel becomes a factor x factor block; rows of `out` are outStride apart.
void FrameScaler::magnify(const uint32_t* pixels, uint32_t* out, size_t outStride) const {
    const int factor = placement.factor;
    const size_t rowBytes = static_cast<size_t>(width) * factor * sizeof(uint32_t);
    for (int y = 0; y < height; ++y) {
        uint32_t* first = out + static_cast<size_t>(y) * factor * outStride;
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) std::fill_n(first + static_cast<size_t>(x) * factor, factor, source[x]);
        for (int copy = 1; copy < factor; ++copy) std::memcpy(first + copy * outStride, first, rowBytes);
    }
}

void FrameScaler::place(const uint32_t* pixels, uint32_t* placed) {
    const size_t stride = static_cast<size_t>(placement.width);
    uint32_t* inside = placed + static_cast<size_t>(placement.y) * stride + placement.x;
    if (smooth) {
        magnify(pixels, magnified.data(), static_cast<size_t>(width) * placement.factor);
        const uint8_t* source[4] = {reinterpret_cast<const uint8_t*>(magnified.data())};
        const int sourceStride[4] = {static_cast<int>(width * placement.factor * sizeof(uint32_t))};
        uint8_t* target[4] = {reinterpret_cast<uint8_t*>(picture.data())};
        const int targetStride[4] = {static_cast<int>(placement.pictureWidth * sizeof(uint32_t))};
        sws_scale(smooth, source, sourceStride, 0, height * placement.factor, target, targetStride);
        for (int y = 0; y < placement.pictureHeight; ++y) {
            std::memcpy(inside + y * stride, picture.data() + static_cast<size_t>(y) * placement.pictureWidth,
                        static_cast<size_t>(placement.pictureWidth) * sizeof(uint32_t));
        }
    } else {
        magnify(pixels, inside, stride);
    }
    // The bars: rows above and below the picture, and the sides of its rows.
    std::fill(placed, inside - placement.x, 0u);
    const int right = placement.width - placement.x - placement.pictureWidth;
    for (int y = 0; y < placement.pictureHeight; ++y) {
        uint32_t* row = placed + static_cast<size_t>(placement.y + y) * stride;
        std::fill_n(row, placement.x, 0u);
        std::fill_n(row + placement.x + placement.pictureWidth, right, 0u);
    }
    std::fill(placed + static_cast<size_t>(placement.y + placement.pictureHeight) * stride,
              placed + stride * placement.height, 0u);
}
