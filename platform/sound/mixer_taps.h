// The interpolation each mixer choice stands for, as the decoder's filter
// length in taps: every backend mixes the choices alike.
#pragma once

#include "platform/sound/fmod.h"

// 0 is the decoder's default.
inline int interpolationTaps(int mixer) {
    switch (mixer) {
        case FSOUND_MIXER_BLENDMODE:
            return 2;
        case FSOUND_MIXER_MMXP5:
            return 4;
        case FSOUND_MIXER_MMXP6:
            return 8;
        default:
            return 0;
    }
}
