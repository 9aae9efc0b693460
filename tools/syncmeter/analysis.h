// What the meter makes of its recording and its frames: when each sample was
// played, where the sharp hits are, which frames show the beat pulse (the
// background copied zoomed through its inset area), and the offsets' figures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen_poller.h"
#include "sound_capture.h"

// When each recorded frame was heard. The sink plays at its nominal rate on
// the monotonic clock, so frame f is heard at f times the frame period plus
// an offset; the offset is taken, around each frame, as the median of what
// the server's reports within a second of it say, which no single late
// report can pull far. The offset steps where the monitor was handed frames
// that a sink which rewinds then took back and mixed again (a stream
// starting, pausing or seeking, another client's sound): the recording
// holds them, though nobody heard them, and only the reports after the step
// place what follows where it was heard. So the reports are cut into
// stretches at each step, and a frame is placed by its own stretch's.
class SampleClock {
public:
    SampleClock(const Recording& recording);
    double timeOf(double frame) const { return frame * frameNs + offsetNear(frame); }
    // The same from the reports after `frame` alone: where a sink that
    // rewinds took back what the monitor had passed on, the recording holds
    // frames nobody heard just before the sound starts or stops, and only
    // the reports after them place that moment.
    double timeFrom(double frame) const;
    double frameAt(double ns) const;
    double frameNs = 0;
    double residualNs = 0;  // 95th percentile of the reads' distance from their local offset
    double wanderNs = 0;    // how far the local offset moves over the recording

private:
    void findSteps();
    double offsetNear(double frame) const;
    // The median offset of the reports of `stretch` from frame `from` to
    // `to`; NaN where there are none.
    double medianWithin(double from, double to, int stretch) const;
    std::vector<int64_t> frames;
    std::vector<double> offsets;  // per report: its time less frame * frameNs
    std::vector<int> stretchOf;   // per report: which stretch between steps
    double span = 0;
};

// Finds the sharpest onset (largest rise of the 1 ms energy over the 20 ms
// before it, summed over three bands) within `halfWidthNs` of `centreNs`;
// returns false when nothing there rises by at least `minimumDb`.
class OnsetFinder {
public:
    OnsetFinder(const Recording& recording, const SampleClock& clock);
    bool find(int64_t centreNs, int64_t halfWidthNs, double minimumDb, int64_t& onsetNs, double& riseDb) const;

private:
    const SampleClock& clock;
    int rate;
    std::vector<std::vector<double>> bandSums;  // per band, prefix sums of the squared samples
    double meanEnergy(int band, long first, long count) const;
};

// The frames' times at which the picture changed from a full copy of the
// background to the zoomed one. Each block of about 1.5 s learns its still
// background as the median of its frames and compares every frame with that
// and with its zoomed copy, over the pixels where the two differ most.
std::vector<int64_t> zoomPulses(const std::vector<ScreenFrame>& frames);

// The median time between one new picture and the next: the display's
// refresh period while the show keeps up with it.
double medianPictureInterval(const std::vector<ScreenFrame>& frames);

// The times at which the calibration window turned white or black.
std::vector<int64_t> flipTimes(const std::vector<ScreenFrame>& frames);

struct OffsetFigures {
    int count = 0;
    double medianMs = 0;
    double p95AbsMs = 0;
    double maxMs = 0;  // the offset of largest magnitude, with its sign
};
OffsetFigures figuresOf(const std::vector<double>& offsetsMs);

// How the sound ended after a key that ends the show: whether it was
// sounding just before the key, and when the last millisecond louder than
// -60 dBFS was heard, in ms after the key; `stillSounding` where that
// millisecond is at the end of the recording.
struct SoundEnd {
    bool soundingBefore = false;
    bool stillSounding = false;
    double silentAfterMs = 0;
};
SoundEnd soundEndAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs);

// The player's moves as heard, each from the key's time up to `untilNs`: how
// long after the key a silence of at least `quietForNs` began, how long
// after it the first loud millisecond came, and the longest silence between
// two times, all in milliseconds (-1 where none was found).
double silenceAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs, int64_t untilNs,
                    int64_t quietForNs);
double soundAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs, int64_t untilNs);
double longestSilence(const Recording& recording, const SampleClock& clock, int64_t fromNs, int64_t untilNs);
