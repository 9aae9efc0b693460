// The song's form: which section each order belongs to, the channel layout,
// and the assembly of the whole module.
#pragma once

#include "XmModule.h"
#include "show/score.h"

namespace music {

constexpr int kOrders = show::kSongOrders;
constexpr int kRows = show::kRowsPerOrder;

enum class Section { Intro, Build, Groove, Variation, Breakdown, Rebuild, Climax, Outro };

// Orders 0-2 intro, 3-6 build, 7-13 groove, 14-17 variation, 18-21
// breakdown, 22 rebuild, 23-30 climax, 31 outro.
Section sectionOf(int order);

// Whether `order` opens a new section.
bool opensSection(int order);

enum Channel {
    kKickChannel,
    kSnareChannel,
    kHatChannel,
    kBassChannel,
    kPadChannel,  // three channels from here
    kLeadChannel = kPadChannel + 3,
    kArpeggioChannel,
    kAnswerChannel,  // echo of the lead, or a counter-melody
    kRiserChannel,
    kImpactChannel,  // reverse cymbal, boom and song-wide effects
    kRideChannel,
    kCrashChannel,
    kLowPadChannel,   // a slow line under the chords
    kCounterChannel,  // a counter-melody on the glass
    kChannelCount,
};

xm::Module composeSong();

}  // namespace music
