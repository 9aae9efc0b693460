#include "Arrangement.h"

#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"

namespace music {

Section sectionOf(int order) {
    if (order <= 2) return Section::Intro;
    if (order <= 6) return Section::Build;
    if (order <= 13) return Section::Groove;
    if (order <= 17) return Section::Variation;
    if (order <= 21) return Section::Breakdown;
    if (order == 22) return Section::Rebuild;
    if (order <= 30) return Section::Climax;
    return Section::Outro;
}

bool opensSection(int order) { return order == 0 || sectionOf(order) != sectionOf(order - 1); }

xm::Module composeSong() {
    xm::Module module;
    module.name = "peekstun";
    module.trackerName = "peekstun-forge";
    module.channels = kChannelCount;
    module.speed = 6;
    module.tempo = 125;
    module.instruments = synthesiseInstruments();
    std::array<int, 3> voicing{pitch(A, 3), pitch(C, 4), pitch(E, 4)};
    for (int order = 0; order < kOrders; ++order) {
        xm::Pattern pattern(kRows, kChannelCount);
        writeDrums(pattern, order);
        writeBass(pattern, order);
        writePads(pattern, order, voicing);
        writeArpeggio(pattern, order);
        writeMelodies(pattern, order);
        writeTransitions(pattern, order);
        module.patterns.push_back(pattern);
        module.orders.push_back(static_cast<uint8_t>(order));
    }
    return module;
}

}  // namespace music
