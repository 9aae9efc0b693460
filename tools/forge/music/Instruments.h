// The module's instruments, synthesised from scratch into 16-bit samples.
#pragma once

#include <cstdint>
#include <vector>

#include "XmModule.h"

namespace music {

// Instrument numbers as pattern cells name them (1-based, as the format counts).
enum InstrumentNumber : uint8_t {
    kKick = 1,
    kSnare,
    kClosedHat,
    kOpenHat,
    kBass,
    kPadDark,
    kPadWarm,
    kPadBright,
    kLead,
    kArpeggio,
    kGlass,
    kReverseCymbal,
    kRiser,
    kBoom,
    kLeadHigh,  // the lead with fewer partials, for its top octave
    kRide,
    kLastInstrument = kRide,
};

// Every instrument, in the order of InstrumentNumber.
std::vector<xm::Instrument> synthesiseInstruments();

// The highest pitch an instrument plays cleanly: pitched instruments keep
// their partials below 20 kHz up to it, so no partial folds back from above
// the output's highest frequency. Unpitched sounds have no limit (95).
int topPitchOf(uint8_t instrument);

}  // namespace music
