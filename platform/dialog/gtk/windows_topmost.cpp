// Keeping the show's window on top: the display's native window is an SDL one.
#include <SDL.h>

#include "platform/dialog/windows.h"

bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (window == nullptr) return false;
    SDL_Window* native = static_cast<SDL_Window*>(window);
    if ((flags & SWP_NOMOVE) == 0) SDL_SetWindowPosition(native, x, y);
    if ((flags & SWP_NOSIZE) == 0) SDL_SetWindowSize(native, cx, cy);
    if (insertAfter == HWND_TOPMOST) {
        SDL_SetWindowAlwaysOnTop(native, SDL_TRUE);
    } else if (insertAfter == HWND_NOTOPMOST) {
        SDL_SetWindowAlwaysOnTop(native, SDL_FALSE);
    } else if (insertAfter == HWND_TOP) {
        SDL_RaiseWindow(native);
    }
    return true;
}
