// The colours the whole set is painted in: the cold blues and cyans of the
// plasma, the greens of the flower, and one warm accent kept for sparks.
#pragma once

#include "Canvas.h"

namespace colours {
const Rgb black = {0, 0, 0};
const Rgb night = hex(0x020814);  // the darkest ground, not quite black
const Rgb deepBlue = hex(0x06184a);
const Rgb blue = hex(0x1848c8);
const Rgb cyan = hex(0x30c8ff);
const Rgb paleCyan = hex(0xb8f0ff);
const Rgb white = hex(0xf4fcff);
const Rgb darkGreen = hex(0x0a4818);
const Rgb green = hex(0x20b840);
const Rgb paleGreen = hex(0x90ffa8);
const Rgb sparkOrange = hex(0xff8a20);
}  // namespace colours
