// The program's icon, "MAINICON": a picture painted in code, so every window
// of the program (the launcher, its message boxes, the show) wears the same.
#pragma once

#include <cstdint>

// width x height pixels, rows top to bottom without gaps, each a 32-bit word
// 0xAARRGGBB (straight, not premultiplied alpha). The array lives until the
// process ends; painted on the first call.
const uint32_t* mainIconPixels(int& width, int& height);
