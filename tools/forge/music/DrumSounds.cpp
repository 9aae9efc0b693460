// Kick, snare, hats and ride: one-shot samples, no envelope needed.
#include <cmath>

#include "SoundDesign.h"
#include "SynthMath.h"

namespace music {

namespace {
constexpr int kDrumRelativeNote = 24;  // 33452 Hz at C-4, where the drums are played

// Six square waves at unrelated frequencies: the metallic ring of a cymbal.
double metallic(double t) {
    static const double frequencies[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double sum = 0.0;
    for (double f : frequencies) sum += synth::wrapTurns(f * 3.1 * t) < 0.5 ? 1.0 : -1.0;
    return sum / 6.0;
}

std::vector<double> hat(double seconds, double decay, uint32_t seed) {
    const double rate = rateAtRelativeNote(kDrumRelativeNote);
    const size_t length = static_cast<size_t>(seconds * rate);
    synth::Noise noise(seed);
    synth::OnePoleLowPass body(5500.0 / rate);
    synth::OnePoleLowPass bodyAgain(5500.0 / rate);
    std::vector<double> signal(length);
    for (size_t i = 0; i < length; ++i) {
        double t = i / rate;
        double raw = noise.next() * 0.7 + metallic(t) * 0.5;
        // Two high-pass stages leave only the sizzle.
        double once = raw - body.process(raw);
        double twice = once - bodyAgain.process(once);
        double attack = std::fmin(1.0, t / 0.0008);
        signal[i] = twice * attack * synth::exponential(-t / decay);
    }
    return signal;
}
}  // namespace

xm::Instrument makeKick() {
    const double rate = rateAtRelativeNote(kDrumRelativeNote);
    const size_t length = static_cast<size_t>(0.42 * rate);
    synth::Noise noise(0x4b1c4u);
    synth::OnePoleLowPass clickFilter(12000.0 / rate);
    std::vector<double> signal(length);
    double phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        double t = i / rate;
        // A fast pitch drop gives the thump; the amplitude holds briefly, then
        // decays. The first few milliseconds sweep down from far higher: the
        // beater's attack, which makes the kick the row's sharpest onset.
        double frequency = 47.0 + 115.0 * synth::exponential(-t / 0.032) + 900.0 * synth::exponential(-t / 0.003);
        phase = synth::wrapTurns(phase + frequency / rate);
        double body = synth::sineOfTurns(phase) * synth::exponential(-t / 0.18);
        double click = clickFilter.process(noise.next()) * synth::exponential(-t / 0.007) * 2.2;
        double fadeIn = std::fmin(1.0, t / 0.0005);
        signal[i] = softClip(1.6 * (body + click)) * fadeIn;
    }
    // The tail fades to nothing instead of stopping on a value.
    for (size_t i = 0; i < 256; ++i) signal[length - 1 - i] *= i / 256.0;
    return makeInstrument("kick", signal, kDrumRelativeNote);
}

xm::Instrument makeSnare() {
    const double rate = rateAtRelativeNote(kDrumRelativeNote);
    const size_t length = static_cast<size_t>(0.32 * rate);
    synth::Noise noise(0x5a4e3u);
    synth::StateVariableFilter rattle(2600.0 / rate, 0.9);
    std::vector<double> signal(length);
    double phaseLow = 0.0;
    double phaseHigh = 0.0;
    for (size_t i = 0; i < length; ++i) {
        double t = i / rate;
        double drop = 1.0 + 0.4 * synth::exponential(-t / 0.01);
        phaseLow = synth::wrapTurns(phaseLow + 182.0 * drop / rate);
        phaseHigh = synth::wrapTurns(phaseHigh + 331.0 * drop / rate);
        double tone =
            (synth::sineOfTurns(phaseLow) + 0.5 * synth::sineOfTurns(phaseHigh)) * synth::exponential(-t / 0.055);
        rattle.process(noise.next());
        double snap = (rattle.band * 0.8 + rattle.high * 0.5) * synth::exponential(-t / 0.085);
        double fadeIn = std::fmin(1.0, t / 0.0005);
        signal[i] = softClip(1.3 * (0.75 * tone + snap)) * fadeIn;
    }
    for (size_t i = 0; i < 256; ++i) signal[length - 1 - i] *= i / 256.0;
    return makeInstrument("snare", signal, kDrumRelativeNote);
}

xm::Instrument makeClosedHat() {
    std::vector<double> signal = hat(0.09, 0.016, 0xc105edu);
    xm::Instrument instrument = makeInstrument("closed hat", signal, kDrumRelativeNote);
    instrument.sample.panning = 168;
    return instrument;
}

xm::Instrument makeOpenHat() {
    std::vector<double> signal = hat(0.5, 0.13, 0x09e4u);
    for (size_t i = 0; i < 512; ++i) signal[signal.size() - 1 - i] *= i / 512.0;
    xm::Instrument instrument = makeInstrument("open hat", signal, kDrumRelativeNote);
    instrument.sample.panning = 168;
    return instrument;
}

xm::Instrument makeRide() {
    // A long, softer ring than the open hat, for a layer over the beat.
    std::vector<double> signal = hat(1.1, 0.38, 0x41deu);
    for (size_t i = 0; i < 1024; ++i) signal[signal.size() - 1 - i] *= i / 1024.0;
    xm::Instrument instrument = makeInstrument("ride", signal, kDrumRelativeNote);
    instrument.sample.panning = 84;
    return instrument;
}

}  // namespace music
