// The palettes of the two 8-bit canvases, noise drawn from the shared generator.
#pragma once

#include "platform/display/DynamicPalette.h"

// Black at both ends of entries 0..223, through blue and cyan to a pale
// near-white in the middle; entries 224..255 black.
void makePlasmaPalette(DynamicPalette& palette);

// A green ramp rising over entries 0..31 and falling over 32..63, with blue
// and red speckles; entries 64..255 black.
void makeFlowerPalette(DynamicPalette& palette);
