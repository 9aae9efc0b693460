// Hooks for tests of real windows: input pushed into SDL's event queue as the
// window system would deliver it (so tests can type into and close a window
// without an input device), and the window's place on the screen.
#pragma once

// `window` is what ptc_console_window returns; `keyCode` is a toolkit key
// code (27 for Escape, characters as themselves, 0x100 + scan code).
void sdlTestPressKey(void* window, int keyCode, bool repeat = false);
// A keypad key by its USB usage (keypad 1 is 89), with NumLock on or off.
void sdlTestPressKeypadKey(void* window, int usage, bool numLock);
void sdlTestCloseWindow(void* window);
// What SDL sends when the program is asked to quit (or the last window closes).
void sdlTestQuit();

struct SdlTestWindowGeometry {
    int x;
    int y;
    int width;
    int height;
    bool fullscreen;
    bool cursorShown;
};
SdlTestWindowGeometry sdlTestWindowGeometry(void* window);
