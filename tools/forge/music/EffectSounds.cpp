// The transition effects: a reverse cymbal that swells into a section, a
// noise riser that the score bends upwards, and a low boom.
#include <cmath>

#include "SoundDesign.h"
#include "SynthMath.h"

namespace music {

xm::Instrument makeReverseCymbal() {
    // Sixteen rows long (1.92 s), so started on row 48 it peaks on the next order's first row.
    const int relativeNote = 19;
    const double rate = rateAtRelativeNote(relativeNote);
    const double seconds = 1.92;
    const size_t length = static_cast<size_t>(seconds * rate);
    synth::Noise noise(0xc7ba1u);
    synth::OnePoleLowPass low(4000.0 / rate);
    std::vector<double> signal(length);
    for (size_t i = 0; i < length; ++i) {
        double t = i / rate;
        double ring = 0.0;
        for (double f : {3120.0, 4545.0, 5710.0, 7003.0}) ring += synth::sineOfTurns(f * t) * 0.25;
        double raw = noise.next() + 0.6 * ring;
        double sizzle = raw - low.process(raw);
        // A cymbal's decay played backwards: an exponential rise.
        double rise = synth::exponential((t - seconds) / 0.45);
        double end = std::fmin(1.0, (seconds - t) / 0.004);
        signal[i] = sizzle * rise * end;
    }
    xm::Instrument instrument = makeInstrument("reverse cymbal", signal, relativeNote);
    instrument.sample.panning = 144;
    return instrument;
}

xm::Instrument makeRiser() {
    // A second of band-passed noise, looped; the score slides its pitch up.
    const int relativeNote = 12;
    const double rate = rateAtRelativeNote(relativeNote);
    const size_t length = static_cast<size_t>(rate);
    synth::Noise noise(0x715e4u);
    synth::StateVariableFilter band(900.0 / rate, 0.25);
    std::vector<double> signal(length);
    for (size_t i = 0; i < length + 2048; ++i) {
        band.process(noise.next());
        // The first samples only settle the filter.
        if (i >= 2048) signal[i - 2048] = band.band;
    }
    xm::Instrument instrument = makeInstrument("riser", signal, relativeNote);
    loopTail(instrument, length);
    instrument.sample.panning = 112;
    instrument.volumeEnvelope.points = {{0, 64}, {10, 64}};
    instrument.volumeEnvelope.sustainPoint = 1;
    instrument.fadeout = 3000;
    return instrument;
}

xm::Instrument makeBoom() {
    const int relativeNote = 12;
    const double rate = rateAtRelativeNote(relativeNote);
    const size_t length = static_cast<size_t>(2.2 * rate);
    synth::Noise noise(0xb0bu);
    synth::OnePoleLowPass rumble(180.0 / rate);
    std::vector<double> signal(length);
    double phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        double t = i / rate;
        double frequency = 36.0 + 40.0 * synth::exponential(-t / 0.25);
        phase = synth::wrapTurns(phase + frequency / rate);
        double body = synth::sineOfTurns(phase) * synth::exponential(-t / 0.7);
        double grit = rumble.process(noise.next()) * 3.0 * synth::exponential(-t / 0.3);
        double fadeIn = std::fmin(1.0, t / 0.002);
        double fadeOut = std::fmin(1.0, (2.2 - t) / 0.05);
        signal[i] = softClip(1.4 * (body + grit)) * fadeIn * fadeOut;
    }
    return makeInstrument("boom", signal, relativeNote);
}

}  // namespace music
