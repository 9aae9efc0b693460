// The player's bar in an SDL window: a translucent strip along the bottom of
// the picture with a play or pause mark, the time and the total, a progress
// bar with the scene boundaries marked, and the scene number. Drawn over the
// scaled picture, after the frame, so the frame itself never holds it.
#pragma once

#include "platform/display/player_bar.h"
#include "platform/display/sdl/sdl_bar_text.h"

struct SDL_Renderer;
struct SDL_Rect;

class SdlPlayerBar {
public:
    explicit SdlPlayerBar(SDL_Renderer* renderer) : renderer(renderer), text(renderer) {}

    // Draws `bar` over `picture` (the picture's place in the output, in
    // pixels); a bar not shown draws nothing.
    void draw(const SDL_Rect& picture, const PlayerBar& bar);

private:
    void drawMark(int x, int centreY, int size, bool paused);
    void drawProgress(int left, int right, int centreY, int thickness, const PlayerBar& bar);

    SDL_Renderer* renderer;
    SdlBarText text;
};

// "m:ss" for a time in seconds, rounded down; negative times are 0:00.
std::string formatBarTime(double seconds);
