// Errors: a message, reported on standard error and, when a display is
// available, in a message box.
#include <cstdio>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/display/console_window.h"
#include "platform/display/ptc_console_frame.h"
#include "platform/display/ptc_objects.h"

namespace {

bool messageBoxEnabled = true;

std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
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
    if (messageBoxEnabled && !lastConsoleWasOffscreen()) showErrorOnScreen(line);
}

void ptc_error_set_message_box(int enabled) { messageBoxEnabled = enabled != 0; }
