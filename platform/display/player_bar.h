// What the player's on-screen bar shows: the time, the total, the scene and a
// progress bar with the scene boundaries marked. A display backend draws it
// over the scaled picture, never into the frame itself. Every field but
// `shown` is meant to hold the moment on screen even while the bar is hidden:
// the page's own scrubber, woken by the pointer, reads them from each frame.
#pragma once

constexpr int kPlayerBarScenes = 8;

struct PlayerBar {
    bool shown = false;
    bool paused = false;
    double seconds = 0;                         // the show time of the frame on screen
    double totalSeconds = 0;                    // the show's length
    int scene = 1;                              // 1 to kPlayerBarScenes
    double sceneStarts[kPlayerBarScenes] = {};  // seconds; sceneStarts[0] is 0
};
