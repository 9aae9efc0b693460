// Each scene's frame time in the page: the show's own scene code composing
// into the frame surface of an offscreen console, presenting it and advancing
// the clocks by 1/60 s, as the native benchmark's scene loop does.
#pragma once

#include <string>

// Times `frames` frames of every scene after a warm-up; the result is JSON:
// {"scenes": {"1": microseconds per frame, ...}}.
std::string timeScenes(int frames);
