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
    // Just after the volume changed, the bar names it in the scene's place.
    bool volumeShown = false;
    int volumePercent = -1;  // -1: the output has no volume
    bool muted = false;

    bool operator==(const PlayerBar& other) const {
        for (int i = 0; i < kPlayerBarScenes; ++i) {
            if (sceneStarts[i] != other.sceneStarts[i]) return false;
        }
        return shown == other.shown && paused == other.paused && seconds == other.seconds &&
               totalSeconds == other.totalSeconds && scene == other.scene && volumeShown == other.volumeShown &&
               volumePercent == other.volumePercent && muted == other.muted;
    }
    bool operator!=(const PlayerBar& other) const { return !(*this == other); }
};
