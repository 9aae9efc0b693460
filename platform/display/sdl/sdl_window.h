// A window or full-screen display on SDL that shows frames of 0x00RRGGBB
// pixels, letterboxed to the frame's aspect, and turns its events into key
// codes.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/display/frame_pacer.h"
#include "platform/display/player_bar.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Rect;
union SDL_Event;
class SdlPlayerBar;

class SdlWindow {
public:
    enum class Mode { Windowed, Fullscreen };

    // Throws DynamicError with SDL's own message when anything fails.
    SdlWindow(const char* title, int width, int height, Mode mode);
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Shows the frame and, over it when shown, the player's bar.
    void present(const uint32_t* pixels, const PlayerBar& bar);
    // Moves pending events into `keys`: presses in order, a close request
    // as Escape (27). Alt+Enter switches between full screen and a window
    // instead.
    void collectKeys(std::deque<int>& keys);
    // Blocks until at least one key is in `keys`, drawing the last frame
    // again when the window is uncovered or changes size meanwhile.
    void waitForKey(std::deque<int>& keys);
    // For a show that presents no new frame (paused): shows `bar` over the
    // last frame only if it differs from the one shown, then waits up to
    // `longest` for events, moving presses into `keys` and drawing the
    // window again when it is uncovered or resized.
    void rest(const PlayerBar& bar, std::deque<int>& keys, std::chrono::milliseconds longest);
    // Keeps the screen saver and the display's blanking away (true, as SDL
    // does by default) or lets them come.
    void keepScreenOn(bool on);

    SDL_Window* native() const { return window; }
    // When a frame presented at `presentAt` reaches the screen, from the
    // refreshes the presents so far have followed.
    std::chrono::steady_clock::time_point shownAfter(std::chrono::steady_clock::time_point presentAt) const {
        return pacer->shownAfter(presentAt);
    }
    std::chrono::steady_clock::duration frameDuration() const { return pacer->frameDuration(); }

private:
    void handle(const SDL_Event& event, std::deque<int>& keys);
    void redraw();
    // Returns where the picture went, in the output's pixels.
    SDL_Rect drawScaled();
    void toggleFullscreen();

    int width;
    int height;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* frame = nullptr;
    SDL_Texture* magnified = nullptr;  // the frame at an integer multiple, smoothed onto the screen from here
    int magnifiedFactor = 0;
    bool closeReported = false;
    bool framePresented = false;
    PlayerBar presentedBar;  // drawn over the frame by every redraw until the next present
    std::unique_ptr<FramePacer> pacer;
    std::unique_ptr<SdlPlayerBar> playerBar;
};

// The key code for an SDL key: characters keep their code (Escape 27,
// Return 13, Space 32, letters lower case), other keys 0x100 + scan code.
// The keypad's digits and point are those characters with NumLock on and
// the arrows, Home, End, Page Up and Down, Insert and Delete with it off.
int keyCodeForSdlKey(int32_t sdlKeycode, int sdlScancode, int sdlModifiers);
