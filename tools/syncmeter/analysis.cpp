#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace {

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(std::ceil(share * values.size()));
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

// Per-pixel median of the chosen frames.
std::vector<uint8_t> medianImage(const std::vector<ScreenFrame>& frames, const std::vector<size_t>& chosen) {
    const size_t pixels = kGridWidth * kGridHeight;
    std::vector<uint8_t> median(pixels);
    std::vector<uint8_t> values(chosen.size());
    for (size_t p = 0; p < pixels; ++p) {
        for (size_t i = 0; i < chosen.size(); ++i) values[i] = frames[chosen[i]].grey[p];
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        median[p] = values[values.size() / 2];
    }
    return median;
}

// At most `limit` of the indices, evenly spread.
std::vector<size_t> spread(const std::vector<size_t>& indices, size_t limit) {
    if (indices.size() <= limit) return indices;
    std::vector<size_t> chosen;
    for (size_t i = 0; i < limit; ++i) chosen.push_back(indices[i * indices.size() / limit]);
    return chosen;
}

// The background's inset area (10 pixels in from each edge) stretched over
// the whole picture: what a pulse frame shows.
std::vector<uint8_t> zoomed(const std::vector<uint8_t>& image) {
    std::vector<uint8_t> result(image.size());
    for (int y = 0; y < kGridHeight; ++y)
        for (int x = 0; x < kGridWidth; ++x)
            result[y * kGridWidth + x] = image[(10 + y * 220 / kGridHeight) * kGridWidth + 10 + x * 300 / kGridWidth];
    return result;
}

constexpr int kFull = 0;
constexpr int kZoom = 1;
constexpr int kUnknown = -1;

// The pixels where the two pictures differ clearly and which stay put in
// the frames of each kind (not the moving layers drawn over the background).
std::vector<size_t> tellingPixels(const std::vector<ScreenFrame>& frames, const std::vector<size_t>& fulls,
                                  const std::vector<size_t>& zooms, const std::vector<uint8_t>& full,
                                  const std::vector<uint8_t>& zoom) {
    std::vector<size_t> telling;
    for (size_t p = 0; p < full.size(); ++p) {
        if (std::abs(full[p] - zoom[p]) < 40) continue;
        int wander = 0, count = 0;
        for (size_t index : fulls) wander += std::abs(frames[index].grey[p] - full[p]), ++count;
        for (size_t index : zooms) wander += std::abs(frames[index].grey[p] - zoom[p]), ++count;
        if (count == 0 || wander < 12 * count) telling.push_back(p);
    }
    return telling;
}

// How much nearer each frame is to `zoom` than to `full` over the telling
// pixels: toZoom / toFull.
std::vector<double> ratios(const std::vector<ScreenFrame>& frames, const std::vector<size_t>& block,
                           const std::vector<size_t>& telling, const std::vector<uint8_t>& full,
                           const std::vector<uint8_t>& zoom) {
    std::vector<double> result;
    for (size_t index : block) {
        const std::vector<uint8_t>& grey = frames[index].grey;
        double toFull = 0, toZoom = 0;
        for (size_t p : telling) {
            toFull += std::abs(grey[p] - full[p]);
            toZoom += std::abs(grey[p] - zoom[p]);
        }
        result.push_back((toZoom + 1) / (toFull + 1));
    }
    return result;
}

// The threshold that splits the values into two groups of least spread
// (Otsu's); NaN when the two groups are not clearly apart.
double split(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    double total = 0;
    for (double v : values) total += v;
    double best = -1, threshold = std::nan(""), below = 0;
    for (size_t i = 1; i < n; ++i) {
        below += values[i - 1];
        double lowMean = below / i, highMean = (total - below) / (n - i);
        double between = double(i) * (n - i) * (highMean - lowMean) * (highMean - lowMean);
        if (between > best && highMean - lowMean > 0.2) {
            best = between;
            threshold = (values[i - 1] + values[i]) / 2;
        }
    }
    return threshold;
}

}  // namespace

SampleClock::SampleClock(const Recording& recording) : frameNs(1e9 / recording.rate), span(recording.rate) {
    // The first reads drain what the stream held before its timing was known.
    for (const auto& mark : recording.marks) {
        if (mark.frame <= recording.rate / 2) continue;
        frames.push_back(mark.frame);
        offsets.push_back(mark.playedNs - mark.frame * frameNs);
    }
    if (frames.size() < 10) throw std::runtime_error("The recording is too short to time");
    findSteps();
    std::vector<double> distances;
    double lowest = 1e300, highest = -1e300;
    for (size_t i = 0; i < frames.size(); i += 1 + frames.size() / 4000) {
        double local = offsetNear(static_cast<double>(frames[i]));
        distances.push_back(std::fabs(offsets[i] - local));
        lowest = std::min(lowest, local);
        highest = std::max(highest, local);
    }
    residualNs = percentile(distances, 0.95);
    wanderNs = highest - lowest;
}

namespace {

double medianOf(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

// A step is where the median of the next reports differs from that of the
// ones before by more than a single report's scatter can make it, at the
// largest such difference among its neighbours. Each report then belongs to
// the stretch between two steps, and only its stretch's reports place it.
void SampleClock::findSteps() {
    constexpr size_t kSide = 31;
    constexpr double kStepNs = 4e6;
    stretchOf.assign(offsets.size(), 0);
    if (offsets.size() < 2 * kSide) return;
    std::vector<double> difference(offsets.size(), 0.0);
    for (size_t i = kSide; i + kSide <= offsets.size(); ++i) {
        difference[i] = std::fabs(
            medianOf({offsets.begin() + static_cast<long>(i), offsets.begin() + static_cast<long>(i + kSide)}) -
            medianOf({offsets.begin() + static_cast<long>(i - kSide), offsets.begin() + static_cast<long>(i)}));
    }
    int stretch = 0;
    size_t lastStep = 0;
    for (size_t i = 0; i < offsets.size(); ++i) {
        bool step = difference[i] > kStepNs && i >= lastStep + kSide;
        for (size_t j = i > kSide ? i - kSide : 0; step && j < std::min(offsets.size(), i + kSide); ++j)
            step = difference[j] <= difference[i] || j == i;
        if (step) {
            ++stretch;
            lastStep = i;
        }
        stretchOf[i] = stretch;
    }
}

double SampleClock::medianWithin(double from, double to, int stretch) const {
    const auto first = std::lower_bound(frames.begin(), frames.end(), static_cast<int64_t>(from));
    const auto last = std::upper_bound(frames.begin(), frames.end(), static_cast<int64_t>(to));
    std::vector<double> near;
    for (auto at = first; at != last; ++at) {
        const size_t i = static_cast<size_t>(at - frames.begin());
        if (stretchOf[i] == stretch) near.push_back(offsets[i]);
    }
    return near.empty() ? NAN : medianOf(std::move(near));
}

double SampleClock::offsetNear(double frame) const {
    // The stretch of the report nearest the frame.
    auto next = std::lower_bound(frames.begin(), frames.end(), static_cast<int64_t>(frame));
    size_t nearest = next == frames.end() ? frames.size() - 1 : static_cast<size_t>(next - frames.begin());
    if (next != frames.begin() && next != frames.end() && frame - *(next - 1) < *next - frame) --nearest;
    const double offset = medianWithin(frame - span, frame + span, stretchOf[nearest]);
    return std::isnan(offset) ? offsets[nearest] : offset;
}

double SampleClock::timeFrom(double frame) const {
    auto next = std::lower_bound(frames.begin(), frames.end(), static_cast<int64_t>(frame));
    if (next == frames.end()) return timeOf(frame);
    const double offset = medianWithin(frame, frame + span, stretchOf[static_cast<size_t>(next - frames.begin())]);
    return std::isnan(offset) ? timeOf(frame) : frame * frameNs + offset;
}

double SampleClock::frameAt(double ns) const {
    double frame = (ns - offsets[offsets.size() / 2]) / frameNs;
    for (int i = 0; i < 3; ++i) frame = (ns - offsetNear(frame)) / frameNs;
    return frame;
}

namespace {

// A second-order section of the audio cookbook's filters.
class Biquad {
public:
    static Biquad lowPass(double frequency, int rate) { return make(frequency, rate, false); }
    static Biquad highPass(double frequency, int rate) { return make(frequency, rate, true); }
    double process(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    static Biquad make(double frequency, int rate, bool high) {
        const double w = 2 * M_PI * frequency / rate, alpha = std::sin(w) / (2 * std::sqrt(0.5)), cw = std::cos(w);
        const double a0 = 1 + alpha;
        Biquad f;
        f.b0 = (high ? (1 + cw) / 2 : (1 - cw) / 2) / a0;
        f.b1 = (high ? -(1 + cw) : 1 - cw) / a0;
        f.b2 = f.b0;
        f.a1 = -2 * cw / a0;
        f.a2 = (1 - alpha) / a0;
        return f;
    }
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

}  // namespace

OnsetFinder::OnsetFinder(const Recording& recording, const SampleClock& clock) : clock(clock), rate(recording.rate) {
    // Three bands: the kick's body, the middle, and the snare's and the
    // clicks' noise. A hit rises in its own band even where the whole mix
    // hardly does.
    const size_t n = recording.samples.size();
    bandSums.assign(3, std::vector<double>(n + 1, 0.0));
    Biquad low = Biquad::lowPass(150, rate), midHigh = Biquad::highPass(150, rate),
           midLow = Biquad::lowPass(2000, rate), high = Biquad::highPass(2000, rate);
    for (size_t i = 0; i < n; ++i) {
        const double x = recording.samples[i];
        const double bands[3] = {low.process(x), midLow.process(midHigh.process(x)), high.process(x)};
        for (int b = 0; b < 3; ++b) bandSums[b][i + 1] = bandSums[b][i] + bands[b] * bands[b];
    }
}

double OnsetFinder::meanEnergy(int band, long first, long count) const {
    const std::vector<double>& sums = bandSums[band];
    const long size = static_cast<long>(sums.size()) - 1;
    long begin = std::clamp(first, 0L, size), end = std::clamp(first + count, 0L, size);
    return end > begin ? (sums[end] - sums[begin]) / (end - begin) : 0.0;
}

bool OnsetFinder::find(int64_t centreNs, int64_t halfWidthNs, double minimumDb, int64_t& onsetNs,
                       double& riseDb) const {
    const long window = rate / 1000;  // 1 ms
    const long hop = std::max(1, rate / 4000);
    const long before = rate * 20 / 1000, gap = rate * 4 / 1000;
    const double centre = clock.frameAt(static_cast<double>(centreNs));
    const double half = halfWidthNs / clock.frameNs;
    const long first = static_cast<long>(centre - half), last = static_cast<long>(centre + half);
    if (first - before - gap < 0 || last + window >= static_cast<long>(bandSums[0].size())) return false;
    // The rises of the bands that rise, summed.
    auto rise = [&](long start) {
        double sum = 0;
        for (int b = 0; b < 3; ++b)
            sum += std::max(0.0, 10.0 * std::log10((meanEnergy(b, start, window) + 1e-10) /
                                                   (meanEnergy(b, start - gap - before, before) + 1e-10)));
        return sum;
    };
    long best = first;
    double bestRise = -1e9;
    for (long start = first; start <= last; start += hop) {
        double r = rise(start);
        if (r > bestRise) {
            bestRise = r;
            best = start;
        }
    }
    if (bestRise < minimumDb) return false;
    // Where the window first holds half the attack's energy: its middle is
    // where the attack begins.
    long onset = best;
    for (long start = best - rate * 3 / 1000; start < best; ++start) {
        if (rise(start) >= bestRise - 3.0) {
            onset = start;
            break;
        }
    }
    onsetNs = static_cast<int64_t>(clock.timeOf(onset + window / 2.0));
    riseDb = bestRise;
    return true;
}

std::vector<int64_t> zoomPulses(const std::vector<ScreenFrame>& frames) {
    std::vector<int> classes(frames.size(), kUnknown);
    const int64_t blockNs = 1000000000;
    size_t begin = 0;
    while (begin < frames.size()) {
        std::vector<size_t> block;
        for (size_t i = begin; i < frames.size() && frames[i].shownNs < frames[begin].shownNs + blockNs; ++i)
            block.push_back(i);
        begin += block.size();
        if (block.size() < 10) continue;
        // First guess: the still background is the median frame, and a pulse
        // is nearer its zoomed copy than the other frames are.
        std::vector<uint8_t> full = medianImage(frames, spread(block, 31));
        std::vector<uint8_t> zoom = zoomed(full);
        std::vector<size_t> telling = tellingPixels(frames, {}, {}, full, zoom);
        if (telling.size() < 300) continue;
        std::vector<double> first = ratios(frames, block, telling, full, zoom);
        double threshold = split(first);
        std::vector<size_t> fulls, zooms;
        for (size_t i = 0; i < block.size(); ++i) (first[i] < threshold ? zooms : fulls).push_back(block[i]);
        if (std::isnan(threshold) || zooms.size() < 2 || fulls.size() < 2) {
            // No pulse in this block: every frame is a full copy.
            for (size_t index : block) classes[index] = kFull;
            continue;
        }
        // Then each picture is learnt from the frames of its kind, which
        // brings in what is drawn over the background, and the frames are
        // sorted again over the pixels that tell the two apart.
        full = medianImage(frames, spread(fulls, 31));
        zoom = medianImage(frames, spread(zooms, 31));
        telling = tellingPixels(frames, spread(fulls, 15), spread(zooms, 15), full, zoom);
        if (telling.size() < 300) continue;
        std::vector<double> second = ratios(frames, block, telling, full, zoom);
        for (size_t i = 0; i < block.size(); ++i) {
            classes[block[i]] = second[i] < 0.7 ? kZoom : second[i] > 1 / 0.7 ? kFull : kUnknown;
        }
    }
    std::vector<int64_t> pulses;
    int previous = kUnknown;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (classes[i] == kUnknown) continue;
        if (classes[i] == kZoom && previous == kFull) pulses.push_back(frames[i].shownNs);
        previous = classes[i];
    }
    return pulses;
}

double medianPictureInterval(const std::vector<ScreenFrame>& frames) {
    std::vector<double> intervals;
    for (size_t i = 1; i < frames.size(); ++i)
        intervals.push_back(static_cast<double>(frames[i].shownNs - frames[i - 1].shownNs));
    return intervals.empty() ? 0 : medianOf(std::move(intervals));
}

std::vector<int64_t> flipTimes(const std::vector<ScreenFrame>& frames) {
    std::vector<int64_t> times;
    bool white = false;
    for (const ScreenFrame& frame : frames) {
        long sum = 0;
        for (uint8_t value : frame.grey) sum += value;
        bool nowWhite = sum > 128L * static_cast<long>(frame.grey.size());
        if (nowWhite != white) times.push_back(frame.shownNs);
        white = nowWhite;
    }
    return times;
}

OffsetFigures figuresOf(const std::vector<double>& offsetsMs) {
    OffsetFigures figures;
    figures.count = static_cast<int>(offsetsMs.size());
    if (offsetsMs.empty()) return figures;
    figures.medianMs = percentile(offsetsMs, 0.5);
    std::vector<double> magnitudes;
    for (double offset : offsetsMs) {
        magnitudes.push_back(std::fabs(offset));
        if (std::fabs(offset) > std::fabs(figures.maxMs)) figures.maxMs = offset;
    }
    figures.p95AbsMs = percentile(magnitudes, 0.95);
    return figures;
}

namespace {

// Which milliseconds of the recording are louder than -60 dBFS.
class Loudness {
public:
    Loudness(const Recording& recording, const SampleClock& clock)
        : recording(recording),
          clock(clock),
          window(recording.rate / 1000),
          size(static_cast<long>(recording.samples.size())) {}
    bool loud(long start) const {
        double energy = 0;
        for (long i = start; i < start + window; ++i) energy += recording.samples[i] * recording.samples[i];
        return energy / window > 1e-6;
    }
    long frameAt(int64_t ns) const {
        return std::clamp(static_cast<long>(clock.frameAt(static_cast<double>(ns))), 0L, size);
    }
    double msAfter(long frame, int64_t ns) const { return (clock.timeFrom(static_cast<double>(frame)) - ns) / 1e6; }
    const Recording& recording;
    const SampleClock& clock;
    const long window;
    const long size;
};

}  // namespace

SoundEnd soundEndAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs) {
    const Loudness sound(recording, clock);
    const long window = sound.window;
    const long key = sound.frameAt(keyNs);
    SoundEnd end;
    for (long start = std::max(0L, key - 100 * window); start + window <= key; start += window)
        end.soundingBefore = end.soundingBefore || sound.loud(start);
    long lastLoudEnd = key;
    for (long start = key; start + window <= sound.size; start += window)
        if (sound.loud(start)) lastLoudEnd = start + window;
    end.stillSounding = lastLoudEnd + 2 * window > sound.size;
    end.silentAfterMs = sound.msAfter(lastLoudEnd, keyNs);
    return end;
}

double silenceAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs, int64_t untilNs,
                    int64_t quietForNs) {
    const Loudness sound(recording, clock);
    const long last = sound.frameAt(untilNs);
    const long needed = std::max(1L, static_cast<long>(quietForNs / 1000000)) * sound.window;
    long quietFrom = -1;
    for (long start = sound.frameAt(keyNs); start + sound.window <= last; start += sound.window) {
        if (sound.loud(start)) {
            quietFrom = -1;
        } else {
            if (quietFrom < 0) quietFrom = start;
            if (start + sound.window - quietFrom >= needed) return sound.msAfter(quietFrom, keyNs);
        }
    }
    return -1;
}

double soundAfter(const Recording& recording, const SampleClock& clock, int64_t keyNs, int64_t untilNs) {
    const Loudness sound(recording, clock);
    const long last = sound.frameAt(untilNs);
    for (long start = sound.frameAt(keyNs); start + sound.window <= last; start += sound.window)
        if (sound.loud(start)) return sound.msAfter(start, keyNs);
    return -1;
}

double longestSilence(const Recording& recording, const SampleClock& clock, int64_t fromNs, int64_t untilNs) {
    const Loudness sound(recording, clock);
    const long last = sound.frameAt(untilNs);
    double longest = 0;
    long quietFrom = -1;
    for (long start = sound.frameAt(fromNs); start + sound.window <= last; start += sound.window) {
        if (!sound.loud(start)) {
            if (quietFrom < 0) quietFrom = start;
            continue;
        }
        if (quietFrom >= 0) longest = std::max(longest, sound.msAfter(start, 0) - sound.msAfter(quietFrom, 0));
        quietFrom = -1;
    }
    if (quietFrom >= 0) longest = std::max(longest, sound.msAfter(last, 0) - sound.msAfter(quietFrom, 0));
    return longest;
}
