// Everything of the show's state that frames change and the scene entries do
// not set again: the shared generator and the effects' own motion.
#pragma once

#include <cstdint>

#include "effects/c3DTunnel.h"
#include "effects/cBinaryBg.h"
#include "effects/cFade.h"
#include "effects/cMatrixWriter.h"
#include "effects/cPlasma.h"
#include "shell/timeline.h"

struct Timeline::Checkpoint {
    uint32_t seed;
    ShowClocks clocks;
    ScrollState scroll;
    cMatrixWriter::Progress matrixWriter;
    cBinaryBg::Progress binaryBg;
    cPlasma::Progress plasma;
    c3DTunnel::Progress tunnel3D;
    cFade::Progress fadeA;
    cFade::Progress fadeB;
};
