// SDL's video subsystem, started when the first window or full-screen console
// opens and stopped when the last one closes. Offscreen consoles and surfaces
// never start it.
#pragma once

// Starts video (counted). Throws DynamicError "No display available: ..." when
// SDL cannot reach a display or silently picked a driver that shows nothing.
void sdlVideoAcquire();
void sdlVideoRelease();

