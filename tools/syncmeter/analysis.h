// What the meter makes of its recording and its frames: when each sample was
// played, where the sharp hits are, which frames show the beat pulse (the
// background copied zoomed through its inset area), and the offsets' figures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen_poller.h"
#include "sound_capture.h"

// The monotonic time at which recording frame f was played: startNs + f * frameNs.
struct SampleClock {
    double startNs = 0;
    double frameNs = 0;
    double residualNs = 0;  // 95th percentile of the reads' distance from the line
    double timeOf(double frame) const { return startNs + frame * frameNs; }
    double frameAt(double ns) const { return (ns - startNs) / frameNs; }
};
SampleClock fitSampleClock(const Recording& recording);

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

// The times at which the calibration window turned white or black.
std::vector<int64_t> flipTimes(const std::vector<ScreenFrame>& frames);

struct OffsetFigures {
    int count = 0;
    double medianMs = 0;
    double p95AbsMs = 0;
    double maxMs = 0;  // the offset of largest magnitude, with its sign
};
OffsetFigures figuresOf(const std::vector<double>& offsetsMs);
