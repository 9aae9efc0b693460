// The pitched instruments: bass, pads, lead, arpeggio and glass. Each keeps
// its waveform in cycles of 128 samples so that every note sounds in tune
// with every other instrument.
#include <algorithm>
#include <cmath>

#include "Instruments.h"
#include "SoundDesign.h"
#include "SynthMath.h"

namespace music {

namespace {
constexpr int kCycle = 128;
constexpr int kHarmonics = 63;  // the last one below half the cycle's rate

// As many partials as the cycle holds and the instrument's top note allows.
int partialsFor(uint8_t instrument) { return std::min(kHarmonics, partialsBelowLimit(topPitchOf(instrument))); }
// Detuned voices repeat exactly within this many samples, so the whole span loops.
constexpr int kChorusCycles = 200;
constexpr int kChorusLength = kCycle * kChorusCycles;

double saw(int k) { return 1.0 / k; }
double square(int k) { return k % 2 == 1 ? 1.0 / k : 0.0; }

// Several voices of one waveform, each with a whole number of cycles in the
// loop, so slightly different pitches beat against each other yet the loop
// closes without a seam.
std::vector<double> chorus(const WaveCycle& wave, const std::vector<int>& cycles, const std::vector<double>& gains) {
    std::vector<double> signal(kChorusLength, 0.0);
    for (size_t voice = 0; voice < cycles.size(); ++voice) {
        double offset = 0.37 * voice;
        for (int i = 0; i < kChorusLength; ++i) {
            double turns = static_cast<double>((static_cast<long>(cycles[voice]) * i) % kChorusLength) / kChorusLength;
            signal[i] += gains[voice] * wave.at(turns + offset);
        }
    }
    return signal;
}
}  // namespace

xm::Instrument makeBass() {
    // A saw through a resonant low-pass whose cutoff falls over the first
    // cycles: a short bright pluck that settles on a round, looped tone.
    const int attackCycles = 24;
    std::vector<double> signal = morphingCycles(kCycle, attackCycles, partialsFor(kBass), [](int k, double progress) {
        double cutoff = 16.0 * synth::powerOfTwo(-progress * 1.7);
        return saw(k) * resonantLowPass(k, cutoff, 2.0);
    });
    xm::Instrument instrument = makeInstrument("bass", signal, relativeNoteForCycle(kCycle));
    loopTail(instrument, kCycle);
    instrument.volumeEnvelope.points = {{0, 64}, {4, 58}, {20, 46}, {60, 40}};
    instrument.volumeEnvelope.sustainPoint = 3;
    instrument.fadeout = 6000;
    return instrument;
}

xm::Instrument makePad(const std::string& name, double cutoffHarmonic) {
    WaveCycle wave(partialsFor(kPadBright),
                   [cutoffHarmonic](int k) { return saw(k) * resonantLowPass(k, cutoffHarmonic, 0.9); });
    WaveCycle sub(1, [](int) { return 1.0; });
    std::vector<double> signal = chorus(wave, {kChorusCycles - 1, kChorusCycles, kChorusCycles + 1}, {1.0, 0.8, 1.0});
    std::vector<double> low = chorus(sub, {kChorusCycles / 2}, {0.12});
    for (size_t i = 0; i < signal.size(); ++i) signal[i] += low[i];
    xm::Instrument instrument = makeInstrument(name, signal, relativeNoteForCycle(kCycle));
    loopTail(instrument, kChorusLength);
    instrument.volumeEnvelope.points = {{0, 0}, {18, 48}, {50, 64}};
    instrument.volumeEnvelope.sustainPoint = 2;
    instrument.fadeout = 700;
    return instrument;
}

xm::Instrument makeLead(const std::string& name, int harmonics) {
    // Two pulse waves a few cents apart; the vibrato fades in after the attack.
    const double duty = 0.3;
    WaveCycle wave(harmonics,
                   [duty](int k) { return synth::sineOfTurns(0.5 * k * duty) / k * resonantLowPass(k, 18.0, 1.1); });
    std::vector<double> signal = chorus(wave, {kChorusCycles, kChorusCycles + 1}, {1.0, 0.7});
    xm::Instrument instrument = makeInstrument(name, signal, relativeNoteForCycle(kCycle));
    loopTail(instrument, kChorusLength);
    instrument.volumeEnvelope.points = {{0, 36}, {2, 64}, {16, 54}, {40, 50}};
    instrument.volumeEnvelope.sustainPoint = 3;
    instrument.fadeout = 1800;
    instrument.vibratoSweep = 40;
    instrument.vibratoDepth = 3;
    instrument.vibratoRate = 14;
    return instrument;
}

xm::Instrument makeArpeggio() {
    std::vector<double> signal = morphingCycles(kCycle, 8, partialsFor(kArpeggio), [](int k, double progress) {
        double cutoff = 28.0 - 20.0 * progress;
        return square(k) * resonantLowPass(k, cutoff, 1.2);
    });
    xm::Instrument instrument = makeInstrument("arpeggio", signal, relativeNoteForCycle(kCycle));
    loopTail(instrument, kCycle);
    instrument.sample.panning = 88;
    instrument.volumeEnvelope.points = {{0, 64}, {3, 44}, {10, 20}, {24, 6}, {40, 0}};
    return instrument;
}

xm::Instrument makeGlass() {
    // A sine with upper partials that die away quickly: a soft bell.
    std::vector<double> signal =
        morphingCycles(kCycle, 20, std::min(6, partialsFor(kGlass)), [](int k, double progress) {
            double fade = 1.0 - progress;
            switch (k) {
                case 1:
                    return 1.0;
                case 2:
                    return 0.15 + 0.35 * fade;
                case 3:
                    return 0.25 * fade;
                case 4:
                    return 0.06 + 0.1 * fade;
                case 6:
                    return 0.08 * fade;
                default:
                    return 0.0;
            }
        });
    xm::Instrument instrument = makeInstrument("glass", signal, relativeNoteForCycle(kCycle));
    loopTail(instrument, kCycle);
    instrument.sample.panning = 172;
    instrument.volumeEnvelope.points = {{0, 64}, {8, 42}, {30, 24}, {90, 10}, {180, 0}};
    return instrument;
}

}  // namespace music
