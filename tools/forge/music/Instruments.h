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
    kLastInstrument = kBoom,
};

// Every instrument, in the order of InstrumentNumber.
std::vector<xm::Instrument> synthesiseInstruments();

}  // namespace music
