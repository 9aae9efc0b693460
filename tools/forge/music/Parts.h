// The arrangement's parts. Each writes its channels of one order's pattern.
#pragma once

#include <array>

#include "XmModule.h"

namespace music {

void writeDrums(xm::Pattern& pattern, int order);
void writeBass(xm::Pattern& pattern, int order);
// `voicing` carries the pad chord from one order to the next.
void writePads(xm::Pattern& pattern, int order, std::array<int, 3>& voicing);
void writeArpeggio(xm::Pattern& pattern, int order);
void writeMelodies(xm::Pattern& pattern, int order);
void writeTransitions(xm::Pattern& pattern, int order);

}  // namespace music
