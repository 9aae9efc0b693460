#include "video_placement.h"

#include <algorithm>
#include <cstdint>

VideoPlacement placeInFrame(int width, int height, int videoWidth, int videoHeight) {
    VideoPlacement placement{videoWidth, videoHeight, 1, 0, 0, videoWidth, videoHeight};
    if (int64_t(videoWidth) * height >= int64_t(videoHeight) * width) {
        placement.pictureWidth = static_cast<int>(int64_t(videoHeight) * width / height);
    } else {
        placement.pictureHeight = static_cast<int>(int64_t(videoWidth) * height / width);
    }
    // A frame thinner than one pixel of the picture still shows a line of it.
    placement.pictureWidth = std::max(1, placement.pictureWidth);
    placement.pictureHeight = std::max(1, placement.pictureHeight);
    placement.x = (videoWidth - placement.pictureWidth) / 2;
    placement.y = (videoHeight - placement.pictureHeight) / 2;
    placement.factor = std::max(1, std::min(placement.pictureWidth / width, placement.pictureHeight / height));
    return placement;
}

VideoPlacement magnify(int width, int height, int factor) {
    return {width * factor, height * factor, factor, 0, 0, width * factor, height * factor};
}

std::string placementFilter(const VideoPlacement& placement, int width, int height) {
    std::string filter;
    auto add = [&filter](const std::string& step) { filter += (filter.empty() ? "" : ",") + step; };
    const int magnifiedWidth = width * placement.factor;
    const int magnifiedHeight = height * placement.factor;
    if (placement.factor > 1) {
        add("scale=" + std::to_string(magnifiedWidth) + ":" + std::to_string(magnifiedHeight) + ":flags=neighbor");
    }
    if (placement.pictureWidth != magnifiedWidth || placement.pictureHeight != magnifiedHeight) {
        add("scale=" + std::to_string(placement.pictureWidth) + ":" + std::to_string(placement.pictureHeight) +
            ":flags=bilinear");
    }
    if (placement.pictureWidth != placement.width || placement.pictureHeight != placement.height) {
        add("pad=" + std::to_string(placement.width) + ":" + std::to_string(placement.height) + ":" +
            std::to_string(placement.x) + ":" + std::to_string(placement.y) + ":black");
    }
    return filter;
}
