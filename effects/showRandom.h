// The one pseudo-random generator shared by the shell and every effect:
// seed' = seed x 1103515245 + 12345 (mod 2^32), result (seed' >> 16) & 0x7FFF.
// It starts from seed 1, so the whole show draws the same sequence every run.
#pragma once

#include <cstdint>

// The next value, 0 to 32767.
int showRand();

// Restarts the sequence from the given seed (1 is the start of the show).
void showRandReset(uint32_t seed = 1);
