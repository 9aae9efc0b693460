// Two 0x00RRGGBB pixels added channel by channel, each channel limited to
// 255. The result has no top byte.
#pragma once

#include <cstdint>

inline uint32_t saturatingAdd(uint32_t frame, uint32_t colour) {
    uint32_t red = (frame & 0xff0000u) + (colour & 0xff0000u);
    uint32_t green = (frame & 0x00ff00u) + (colour & 0x00ff00u);
    uint32_t blue = (frame & 0x0000ffu) + (colour & 0x0000ffu);
    if (red > 0xff0000u) red = 0xff0000u;
    if (green > 0x00ff00u) green = 0x00ff00u;
    if (blue > 0x0000ffu) blue = 0x0000ffu;
    return red | green | blue;
}
