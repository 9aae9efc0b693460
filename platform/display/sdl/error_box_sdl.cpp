// Error boxes on the desktop: in the look of the launcher dialog where its
// toolkit starts, else SDL's own box.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/dialog/windows.h"
#include "platform/display/console_window.h"

namespace {

bool displayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Where the dialog toolkit cannot start, SDL's own box stands in: one button
// that both Return and Escape press. SDL shows it from a helper process, so
// that its change of locale stays out of this one.
void showFallbackMessageBox(const std::string& message) {
    SDL_MessageBoxButtonData button{};
    button.flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    button.buttonid = 0;
    button.text = "OK";
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_ERROR;
    data.window = nullptr;
    data.title = "Error";
    data.message = message.c_str();
    data.numbuttons = 1;
    data.buttons = &button;
    int pressed = 0;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        std::fprintf(stderr, "(message box unavailable: %s)\n", SDL_GetError());
    }
}

}  // namespace

// In the look of the launcher dialog that came before, where its toolkit can
// start: one OK button that Return presses, and Escape closes the box too, so
// a person (or a test sending either key) can always dismiss it. The toolkit
// never changes the process's locale.

void showErrorOnScreen(const std::string& message) {
    if (!displayAvailable()) return;
    if (messageBoxesAvailable()) {
        MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
    } else {
        showFallbackMessageBox(message);
    }
}
