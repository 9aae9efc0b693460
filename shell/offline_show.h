// The show run offline: an offscreen console, a fixed frame time of 1/fps, and
// after each frame exactly that frame's share of the song (mixed ahead on a
// second thread), so the song position the timeline polls follows the frames
// and every run is the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell/timeline.h"

class OfflineShow : public ShowObserver {
public:
    static constexpr int kSampleRate = 44100;

    explicit OfflineShow(int fps);

    // Runs the show from its start, or from frame `startFrame` when one was
    // set, to its end; false when an error was reported. The frames from a
    // start part-way are those of a run from the start.
    bool run();
    void startAtFrame(long frame) { startFrame = frame; }

    int fps() const { return fps_; }
    long frameCount() const { return frames; }
    double showTime() const { return static_cast<double>(frames) / fps_; }

protected:
    // Each presented frame with the sound mixed for it (interleaved stereo).
    virtual void frameRendered(DynamicSurface& frame, const FrameInfo& info, const int16_t* sound,
                               size_t soundFrames) = 0;
    // The show went on from frame `frame` after a seek.
    virtual void frameSought(long frame) { (void)frame; }

private:
    void framePresented(DynamicSurface& frame, const FrameInfo& info) final;
    // After a seek the frames, and the sound with them, go on from `frame`.
    void showSought(int64_t frame) final;

    int fps_;
    long startFrame = 0;
    long frames = 0;
    int64_t samplesMixed = 0;
    std::vector<int16_t> sound;
};
