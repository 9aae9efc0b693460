// Turns the show's frames into the frames of a placement, for PNG frames and
// stills: the same picture the video's filter chain makes. The whole-multiple
// step is an exact pixel copy; the smooth step is libswscale's bilinear, as in
// the video's chain, so PNG and video frames match.
#pragma once

#include <cstdint>
#include <vector>

#include "video_placement.h"

struct SwsContext;

class FrameScaler {
public:
    // Throws std::runtime_error when libswscale cannot make the smooth step.
    FrameScaler(int width, int height, const VideoPlacement& placement);
    FrameScaler(const FrameScaler&) = delete;
    FrameScaler& operator=(const FrameScaler&) = delete;
    ~FrameScaler();

    // Writes the placed frame, placement.width x placement.height pixels with
    // no gaps between rows, from width x height pixels. Not for two threads at once.
    void place(const uint32_t* pixels, uint32_t* placed);

private:
    void magnify(const uint32_t* pixels, uint32_t* out, size_t outStride) const;

    int width;
    int height;
    VideoPlacement placement;
    SwsContext* smooth = nullptr;  // null when the whole multiple fills the picture
    std::vector<uint32_t> magnified;
    std::vector<uint32_t> picture;
};
