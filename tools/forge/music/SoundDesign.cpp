#include "SoundDesign.h"

#include <cmath>
#include <stdexcept>

#include "Harmony.h"
#include "Instruments.h"
#include "SynthMath.h"

namespace music {

namespace {
constexpr double kRateAtC4 = 8363.0;
constexpr int kTableSize = 8192;
constexpr double kSamplePeak = 0.95;
}  // namespace

double rateAtRelativeNote(int relativeNote) { return kRateAtC4 * synth::powerOfTwo(relativeNote / 12.0); }

int relativeNoteForCycle(int cycleLength) {
    // At C-4 a 32-sample cycle at 8363 Hz sounds C-4; each doubling of the
    // cycle needs the rate an octave higher.
    int relativeNote = 0;
    for (int length = 32; length < cycleLength; length *= 2) relativeNote += 12;
    if (32 << (relativeNote / 12) != cycleLength) throw std::runtime_error("cycle length must be 32 x 2^n");
    return relativeNote;
}

int partialsBelowLimit(int topPitch) {
    // C-4 (pitch 48) sounds at 261.63 Hz.
    double fundamental = 261.6256 * synth::powerOfTwo((topPitch - 48) / 12.0);
    return static_cast<int>(20000.0 / fundamental);
}

int topPitchOf(uint8_t instrument) {
    switch (instrument) {
        case kBass:
            return pitch(E, 4);
        case kPadDark:
        case kPadWarm:
        case kPadBright:
            return pitch(D, 5);
        case kLead:
            return pitch(Cs, 6);
        case kLeadHigh:
            return pitch(Cs, 7);
        case kArpeggio:
            return pitch(A, 6);
        case kGlass:
            return pitch(Gs, 7);
        default:
            return 95;
    }
}

double softClip(double x) {
    if (x > 3.0) return 1.0;
    if (x < -3.0) return -1.0;
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

double resonantLowPass(double k, double cutoff, double resonance) {
    double ratio = k / cutoff;
    double real = 1.0 - ratio * ratio;
    double imaginary = ratio / resonance;
    return 1.0 / std::sqrt(real * real + imaginary * imaginary);
}

WaveCycle::WaveCycle(int harmonics, const std::function<double(int)>& amplitude) : table(kTableSize + 1, 0.0) {
    for (int k = 1; k <= harmonics; ++k) {
        double a = amplitude(k);
        if (a == 0.0) continue;
        for (int i = 0; i < kTableSize; ++i)
            table[i] +=
                a * synth::sineOfTurns(static_cast<double>((static_cast<long>(k) * i) % kTableSize) / kTableSize);
    }
    table[kTableSize] = table[0];
}

double WaveCycle::at(double turns) const {
    double position = synth::wrapTurns(turns) * kTableSize;
    int index = static_cast<int>(position);
    if (index >= kTableSize) index = kTableSize - 1;
    double fraction = position - index;
    return table[index] + (table[index + 1] - table[index]) * fraction;
}

std::vector<double> morphingCycles(int cycleLength, int attackCycles, int harmonics,
                                   const std::function<double(int, double)>& amplitude) {
    std::vector<double> signal;
    signal.reserve(static_cast<size_t>(cycleLength) * (attackCycles + 1));
    std::vector<double> weights(harmonics + 1);
    for (int cycle = 0; cycle <= attackCycles; ++cycle) {
        double progress = attackCycles == 0 ? 1.0 : std::fmin(1.0, static_cast<double>(cycle) / attackCycles);
        for (int k = 1; k <= harmonics; ++k) weights[k] = amplitude(k, progress);
        for (int i = 0; i < cycleLength; ++i) {
            double value = 0.0;
            for (int k = 1; k <= harmonics; ++k)
                if (weights[k] != 0.0)
                    value += weights[k] * synth::sineOfTurns(static_cast<double>((k * i) % cycleLength) / cycleLength);
            signal.push_back(value);
        }
    }
    return signal;
}

xm::Instrument makeInstrument(const std::string& name, const std::vector<double>& signal, int relativeNote) {
    xm::Instrument instrument;
    instrument.name = name;
    instrument.sample.pcm = synth::toPcm16(signal, kSamplePeak);
    instrument.sample.relativeNote = static_cast<int8_t>(relativeNote);
    return instrument;
}

void loopTail(xm::Instrument& instrument, size_t loopLength) {
    xm::Sample& sample = instrument.sample;
    sample.looped = true;
    sample.loopLength = static_cast<uint32_t>(loopLength);
    sample.loopStart = static_cast<uint32_t>(sample.pcm.size() - loopLength);
}

std::vector<xm::Instrument> synthesiseInstruments() {
    std::vector<xm::Instrument> instruments;
    instruments.push_back(makeKick());
    instruments.push_back(makeSnare());
    instruments.push_back(makeClosedHat());
    instruments.push_back(makeOpenHat());
    instruments.push_back(makeBass());
    instruments.push_back(makePad("pad dark", 3.0));
    instruments.push_back(makePad("pad warm", 8.0));
    instruments.push_back(makePad("pad bright", 22.0));
    instruments.push_back(makeLead("lead", partialsBelowLimit(topPitchOf(kLead))));
    instruments.push_back(makeArpeggio());
    instruments.push_back(makeGlass());
    instruments.push_back(makeReverseCymbal());
    instruments.push_back(makeRiser());
    instruments.push_back(makeBoom());
    instruments.push_back(makeLead("lead high", partialsBelowLimit(topPitchOf(kLeadHigh))));
    instruments.push_back(makeRide());
    if (instruments.size() != kLastInstrument) throw std::runtime_error("instrument list out of step");
    return instruments;
}

}  // namespace music
