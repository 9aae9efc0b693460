// Errors: a message, reported on standard error and, when a display is
// available, in a message box.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/display/ptc_objects.h"
#include "platform/display/sdl/sdl_video.h"
#include "platform/dialog/windows.h"

namespace {

bool messageBoxEnabled = true;

std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

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

// In the look of the launcher dialog that came before, where its toolkit can
// start: one OK button that Return presses, and Escape closes the box too, so
// a person (or a test sending either key) can always dismiss it. The toolkit
// never changes the process's locale.
void showMessageBox(const std::string& message) {
    if (messageBoxesAvailable()) {
        MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
    } else {
        showFallbackMessageBox(message);
    }
}

}  // namespace

void requireHandle(const void* handle, const char* call) {
    if (!handle) throw DynamicError(std::string(call) + ": null handle");
}

void ptc_use_exceptions() {}

PTC_ERROR ptc_error_create(const char* message) {
    auto* error = new ptc_error_t;
    error->message = message ? message : "";
    return error;
}

void ptc_error_destroy(PTC_ERROR error) { delete error; }

const char* ptc_error_message(PTC_ERROR error) { return error ? error->message.c_str() : ""; }

void ptc_error_report(PTC_ERROR error) {
    const std::string line = oneLine(error ? error->message : std::string());
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    if (messageBoxEnabled && displayAvailable() && !sdlVideoOffscreenMode()) showMessageBox(line);
}

void ptc_error_set_message_box(int enabled) { messageBoxEnabled = enabled != 0; }
