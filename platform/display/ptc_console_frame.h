// The console's drawing frame as the surface copy sees it.
#pragma once

#include <cstdint>

#include "platform/display/ptc_objects.h"

struct ConsoleFrame {
    uint32_t* pixels;
    int width;
    int height;
};

// The frame that the next ptc_console_update presents, for a copy that
// writes every one of its pixels. Throws DynamicError when the console is not
// open.
ConsoleFrame consoleDrawingFrame(PTC_CONSOLE console);

// The layout of console frames: 32 bits, 0x00RRGGBB.
const ptc_format_t& consoleFrameFormat();

// Whether the most recently opened console was an offscreen one: such a
// program has nobody watching, so errors are not put on the screen.
bool lastConsoleWasOffscreen();
