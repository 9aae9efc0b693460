#include "platform/sdl_video.h"

#include <SDL.h>

#include <string>

#include "platform/DynamicError.h"

namespace {

int videoUsers = 0;
bool lastConsoleOffscreen = false;

bool showsNothing(const char* driver) {
    const std::string name = driver ? driver : "";
    return name.empty() || name == "offscreen" || name == "dummy";
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
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        throw DynamicError(std::string("No display available: ") + SDL_GetError());
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (showsNothing(driver)) {
        const std::string name = driver ? driver : "none";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        const char* x11 = SDL_getenv("DISPLAY");
        const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
        const bool noDisplayNamed = !(x11 && *x11) && !(wayland && *wayland);
        throw DynamicError("No display available: SDL chose the \"" + name +
                           "\" video driver, which shows nothing on screen" +
                           (noDisplayNamed ? " (neither DISPLAY nor WAYLAND_DISPLAY is set)" : ""));
    }
    videoUsers = 1;
}

void sdlVideoRelease() {
    if (videoUsers == 0) return;
    if (--videoUsers == 0) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void sdlVideoNoteConsoleOpened(bool offscreen) { lastConsoleOffscreen = offscreen; }

bool sdlVideoOffscreenMode() { return lastConsoleOffscreen; }
