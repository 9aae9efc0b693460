// Where the show's picture sits in a video frame of any size: magnified by
// nearest pixel to the largest whole multiple that fits, then smoothly to the
// largest rectangle of its own shape, centred between black bars. This is how
// the show fills a screen, so a 1920x1080 video looks like the full screen.
#pragma once

#include <string>

struct VideoPlacement {
    int width;  // the whole video frame
    int height;
    int factor;  // nearest-pixel magnification before the smooth step
    int x;       // the picture inside the frame
    int y;
    int pictureWidth;
    int pictureHeight;
};

// The picture fitted into a frame of videoWidth x videoHeight.
VideoPlacement placeInFrame(int width, int height, int videoWidth, int videoHeight);
// The picture magnified by a whole factor, filling the frame.
VideoPlacement magnify(int width, int height, int factor);

// ffmpeg's filter chain turning width x height frames into the placement's;
// "" when the frames go out as they are.
std::string placementFilter(const VideoPlacement& placement, int width, int height);
