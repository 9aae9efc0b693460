#include "platform/display/sdl/sdl_video.h"

#include <SDL.h>

#include <string>

#include "platform/display/DynamicError.h"

namespace {

constexpr int kConnectionAttempts = 5;
constexpr Uint32 kConnectionRetryMilliseconds = 100;

int videoUsers = 0;

bool showsNothing(const char* driver) {
    const std::string name = driver ? driver : "";
    return name.empty() || name == "offscreen" || name == "dummy";
}

bool displayNamed() {
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Starts video once; returns the reason it shows nothing, or "" on success
// (video then stays started).
std::string tryStartVideo() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return SDL_GetError();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!showsNothing(driver)) return "";
    const std::string name = driver ? driver : "none";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return "SDL chose the \"" + name + "\" video driver, which shows nothing on screen";
}

}  // namespace

void sdlVideoAcquire() {
    if (videoUsers > 0) {
        ++videoUsers;
        return;
    }
    // Lets window managers and tests find the show's window by its class.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", "peekstun", 0);
    SDL_SetHint(SDL_HINT_APP_NAME, "peekstun");
    // A busy X server now and then drops a new connection during its
    // handshake, and SDL then quietly picks a driver that shows nothing; a
    // named display deserves a few more tries before the show gives up.
    // A driver named in SDL_VIDEODRIVER is a deliberate choice, not a hiccup.
    const char* chosenDriver = SDL_getenv("SDL_VIDEODRIVER");
    const bool driverChosen = chosenDriver && *chosenDriver;
    const int attempts = displayNamed() && !driverChosen ? kConnectionAttempts : 1;
    std::string reason;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) SDL_Delay(kConnectionRetryMilliseconds);
        reason = tryStartVideo();
        if (reason.empty()) {
            videoUsers = 1;
            return;
        }
    }
    if (!displayNamed()) reason += " (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    throw DynamicError("No display available: " + reason);
}

void sdlVideoRelease() {
    if (videoUsers == 0) return;
    if (--videoUsers == 0) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
