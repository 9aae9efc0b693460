// What marks the seams between sections: a reverse cymbal swelling into the
// next section, a noise riser bent upwards across a build, a boom on the
// first row of a section, and the song-wide volume at the start and the end.
#include "Arrangement.h"
#include "Harmony.h"
#include "Instruments.h"
#include "Parts.h"
#include "Track.h"

namespace music {

namespace {
constexpr int kEffectPitch = pitch(C, 4);
constexpr int kSwellRow = 48;  // the swell is sixteen rows long and ends with the order

int swellVolume(int order) {
    switch (order) {
        case 2:
            return 26;
        case 6:
        case 13:
        case 17:
        case 30:
            return 40;
        case 22:
            return 46;
        default:
            return 0;
    }
}

int boomVolume(int order) {
    switch (order) {
        case 3:
            return 34;
        case 7:
        case 23:
            return 46;
        case 14:
        case 18:
        case 31:
            return 48;
        default:
            return 0;
    }
}
}  // namespace

void writeTransitions(xm::Pattern& pattern, int order) {
    Track riser(pattern, kRiserChannel);
    Track impact(pattern, kImpactChannel);
    if (order == 0) impact.effect(0, xm::kGlobalVolume, 64);
    if (boomVolume(order) > 0) impact.play(0, kEffectPitch, kBoom, boomVolume(order));
    if (swellVolume(order) > 0) impact.play(kSwellRow, kEffectPitch, kReverseCymbal, swellVolume(order));
    if (order == 6 || order == 22) {
        // Up twenty semitones over the order while the volume grows.
        riser.play(0, pitch(C, 3), kRiser, 6);
        for (int row = 0; row < kRows; ++row) {
            riser.effect(row, xm::kPortamentoUp, 0x01);
            if (row > 0) riser.volume(row, 6 + row * 34 / 63);
        }
    }
    riser.release(0);
    if (sectionOf(order) == Section::Outro) {
        // The song fades over its last twelve rows and ends silent on row 63.
        for (int row = 52; row < kRows; ++row) impact.effect(row, xm::kGlobalVolumeSlide, 0x01);
    }
}

}  // namespace music
