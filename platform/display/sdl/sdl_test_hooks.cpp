#include "platform/display/sdl/sdl_test_hooks.h"

#include <SDL.h>

#include <string>

#include "platform/display/DynamicError.h"

namespace {

void push(SDL_Event& event) {
    if (SDL_PushEvent(&event) != 1) throw DynamicError(std::string("Cannot queue a test event: ") + SDL_GetError());
}

}  // namespace

void sdlTestPressKey(void* window, int keyCode, bool repeat) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window));
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    if (keyCode < 0x100) {
        event.key.keysym.sym = keyCode;
        event.key.keysym.scancode = SDL_GetScancodeFromKey(keyCode);
    } else {
        event.key.keysym.scancode = static_cast<SDL_Scancode>(keyCode - 0x100);
        event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
    }
    push(event);
}

void sdlTestPressKeypadKey(void* window, int usage, bool numLock) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window));
    event.key.state = SDL_PRESSED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(usage);
    event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
    event.key.keysym.mod = numLock ? KMOD_NUM : KMOD_NONE;
    push(event);
}

void sdlTestCloseWindow(void* window) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window));
    push(event);
}

void sdlTestQuit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    push(event);
}

SdlTestWindowGeometry sdlTestWindowGeometry(void* window) {
    auto* native = static_cast<SDL_Window*>(window);
    SdlTestWindowGeometry geometry{};
    SDL_GetWindowPosition(native, &geometry.x, &geometry.y);
    SDL_GetWindowSize(native, &geometry.width, &geometry.height);
    geometry.fullscreen = (SDL_GetWindowFlags(native) & SDL_WINDOW_FULLSCREEN) != 0;
    geometry.cursorShown = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    return geometry;
}
