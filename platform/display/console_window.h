// What a console shows its frames in when it is not offscreen: a window or the
// full screen, made by the display backend the program was built with.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/display/player_bar.h"

class ConsoleWindow {
public:
    virtual ~ConsoleWindow() = default;

    // Shows a frame of 0x00RRGGBB pixels, letterboxed to its aspect, and the
    // player's bar over it when the bar is shown (the bar never enters the
    // pixels).
    virtual void present(const uint32_t* pixels, const PlayerBar& bar) = 0;
    // Moves pending key presses into `keys`, in order; a request to close
    // arrives as Escape (27).
    virtual void collectKeys(std::deque<int>& keys) = 0;
    // Returns once at least one key is in `keys`.
    virtual void waitForKey(std::deque<int>& keys) = 0;
    // For a show that presents no new frame (paused): shows `bar` over the
    // last frame if it differs from the one shown, then waits up to
    // `longestNs` for input, moving presses into `keys`, and draws itself
    // again when uncovered or resized. False where the backend cannot wait
    // that way: the console then presents the last frame again.
    virtual bool rest(const PlayerBar& /*bar*/, std::deque<int>& /*keys*/, int64_t /*longestNs*/) { return false; }
    // Keeps the screen saver and the display's blanking away, or lets them
    // come; where the backend has no say, nothing happens.
    virtual void keepScreenOn(bool /*on*/) {}
    // Brings the window forward, where the backend can.
    virtual void raise() {}
    // The backend's own window object, for the dialog layer's window calls.
    virtual void* native() = 0;
    // When a frame presented at `presentNs` (nanoseconds of the steady clock)
    // reaches the screen. A backend that knows nothing of its display's
    // refreshes says one period of a 60 Hz display later.
    virtual int64_t shownAfter(int64_t presentNs) const { return presentNs + kUnknownRefreshPeriodNs; }
    // How long a frame stays on the screen: one refresh period, or more
    // where the show presents less often.
    virtual int64_t frameDurationNs() const { return kUnknownRefreshPeriodNs; }

    static constexpr int64_t kUnknownRefreshPeriodNs = 1000000000 / 60;
};

// Throws DynamicError with the backend's message when no window can be made.
std::unique_ptr<ConsoleWindow> openConsoleWindow(const char* title, int width, int height, bool fullscreen);

// Shows an error where the person watching sees it; the backend decides
// whether there is anyone (a display, a page) to show it to.
void showErrorOnScreen(const std::string& message);
