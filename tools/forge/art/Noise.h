// Value noise and fractal sums of it. A period makes the noise repeat every
// period units in both directions, for textures that tile without a seam.
#pragma once

#include <cstdint>

// Smoothly interpolated random values on the integer lattice, 0 to 1.
// A period of 0 never repeats.
float valueNoise(float x, float y, uint32_t seed, int period = 0);

// Octaves of value noise, each at twice the frequency and gain times the
// amplitude of the one before, normalised to 0 to 1. With a period, the
// first octave repeats every period units and the others fit inside it.
float fbm(float x, float y, uint32_t seed, int octaves, float gain = 0.5f, int period = 0);
