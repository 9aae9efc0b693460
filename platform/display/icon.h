// The program's icon, "MAINICON": a picture painted in code, so every window
// of the program (the launcher, its message boxes, the show) and the icons
// installed for the desktop's menus wear the same.
#pragma once

#include <cstdint>
#include <vector>

// The icon painted at size x size pixels, each averaged over 16 samples; rows
// top to bottom, each pixel a 32-bit word 0xAARRGGBB (straight, not
// premultiplied alpha). The installed icons of every size come from here.
std::vector<uint32_t> paintMainIcon(int size);

// The windows' icon: paintMainIcon(64), width x height pixels. The array
// lives until the process ends; painted on the first call.
const uint32_t* mainIconPixels(int& width, int& height);
