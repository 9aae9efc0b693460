// Building blocks shared by the instrument recipes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "XmModule.h"

namespace music {

// The playback rate of a sample at note C-4 with the given relative note.
double rateAtRelativeNote(int relativeNote);

// Pitched samples keep one waveform cycle in `cycleLength` samples; this is
// the relative note that makes such a sample sound at the pitch of its note.
// cycleLength must be 32 times a power of two.
int relativeNoteForCycle(int cycleLength);

// How many partials of a note at `topPitch` stay below 20 kHz.
int partialsBelowLimit(int topPitch);

// A smooth stand-in for tanh, used to round off the peaks of drum hits.
double softClip(double x);

// Gain of a resonant two-pole low-pass at harmonic k for a cutoff at
// harmonic `cutoff`.
double resonantLowPass(double k, double cutoff, double resonance);

// One waveform cycle tabulated finely from its harmonic amplitudes, read back
// at any phase.
class WaveCycle {
public:
    WaveCycle(int harmonics, const std::function<double(int)>& amplitude);
    double at(double turns) const;

private:
    std::vector<double> table;
};

// `attackCycles` cycles whose harmonic content moves with progress 0 -> 1,
// followed by one final cycle at progress 1 that the caller loops.
// amplitude(k, progress) gives harmonic k's amplitude.
std::vector<double> morphingCycles(int cycleLength, int attackCycles, int harmonics,
                                   const std::function<double(int, double)>& amplitude);

// An instrument around a finished sample; envelope and vibrato are set by the caller.
xm::Instrument makeInstrument(const std::string& name, const std::vector<double>& signal, int relativeNote);

// Loops the last `loopLength` samples of the instrument's sample.
void loopTail(xm::Instrument& instrument, size_t loopLength);

// Recipes, one per instrument.
xm::Instrument makeKick();
xm::Instrument makeSnare();
xm::Instrument makeClosedHat();
xm::Instrument makeOpenHat();
xm::Instrument makeBass();
xm::Instrument makePad(const std::string& name, double cutoffHarmonic);
// The lead keeps `harmonics` partials: fewer for a lead that plays higher.
xm::Instrument makeLead(const std::string& name, int harmonics);
xm::Instrument makeArpeggio();
xm::Instrument makeGlass();
xm::Instrument makeReverseCymbal();
xm::Instrument makeRiser();
xm::Instrument makeBoom();
xm::Instrument makeRide();

}  // namespace music
