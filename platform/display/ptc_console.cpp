// Consoles: where frames are presented and keys come from. A console shows
// its frames in a window, on the full screen, or nowhere ("offscreen output",
// whose last presented frame is read back by tests and the offline renderer).
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/display/console_window.h"
#include "platform/display/player_bar.h"
#include "platform/display/ptc_console_frame.h"
#include "platform/display/ptc_objects.h"

namespace {

enum class Output { Windowed, Fullscreen, Offscreen };

constexpr int kMaximumSide = 16384;

bool lastConsoleOffscreen = false;

}  // namespace

struct ptc_console_t {
    Output output = Output::Windowed;
    bool open = false;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> drawing;    // what the next update presents
    std::vector<uint32_t> presented;  // what the last update presented
    // Whether a frame was copied into drawing since the last update; if not,
    // drawing holds an older frame and an update presents the last one again.
    bool drawingCopied = false;
    std::deque<int> keys;
    std::unique_ptr<ConsoleWindow> window;
    PlayerBar bar;  // drawn by the window over each frame it presents
};

namespace {

void requireOpen(PTC_CONSOLE console, const char* call) {
    requireHandle(console, call);
    if (!console->open) throw DynamicError(std::string(call) + ": the console is not open");
}

void collectKeys(PTC_CONSOLE console) {
    if (console->window) console->window->collectKeys(console->keys);
}

}  // namespace

const ptc_format_t& consoleFrameFormat() {
    static const ptc_format_t format = [] {
        ptc_format_t frame;
        frame.bits = 32;
        frame.r = 0xff0000;
        frame.g = 0x00ff00;
        frame.b = 0x0000ff;
        return frame;
    }();
    return format;
}

bool lastConsoleWasOffscreen() { return lastConsoleOffscreen; }

ConsoleFrame consoleDrawingFrame(PTC_CONSOLE console) {
    requireOpen(console, "ptc_surface_copy_console");
    console->drawingCopied = true;
    return ConsoleFrame{console->drawing.data(), console->width, console->height};
}

PTC_CONSOLE ptc_console_create() { return new ptc_console_t; }

void ptc_console_destroy(PTC_CONSOLE console) { delete console; }

// Returns 1 for an option the console knows, 0 otherwise. The output choice
// takes effect at the next open.
int ptc_console_option(PTC_CONSOLE console, const char* option) {
    requireHandle(console, "ptc_console_option");
    const std::string text = option ? option : "";
    if (text == "DirectX") return 1;
    if (text == "fullscreen output") {
        console->output = Output::Fullscreen;
        return 1;
    }
    if (text == "windowed output") {
        console->output = Output::Windowed;
        return 1;
    }
    if (text == "offscreen output") {
        console->output = Output::Offscreen;
        return 1;
    }
    return 0;
}

// Frames are always held as 0x00RRGGBB; surfaces of any format are converted
// when copied in, so the format only has to be a real one. Pages are chosen
// by the console.
void ptc_console_open_resolution(PTC_CONSOLE console, const char* title, int width, int height, PTC_FORMAT format,
                                 int pages) {
    (void)pages;
    requireHandle(console, "ptc_console_open_resolution");
    requireHandle(format, "ptc_console_open_resolution");
    if (console->open) throw DynamicError("ptc_console_open_resolution: the console is already open");
    if (format->empty()) throw DynamicError("ptc_console_open_resolution: the format is empty");
    if (width <= 0 || height <= 0 || width > kMaximumSide || height > kMaximumSide) {
        throw DynamicError("ptc_console_open_resolution: bad console size " + std::to_string(width) + " x " +
                           std::to_string(height));
    }
    if (console->output != Output::Offscreen) {
        console->window = openConsoleWindow(title, width, height, console->output == Output::Fullscreen);
    }
    lastConsoleOffscreen = console->output == Output::Offscreen;
    console->width = width;
    console->height = height;
    console->drawing.assign(size_t(width) * size_t(height), 0);
    console->presented.assign(size_t(width) * size_t(height), 0);
    console->drawingCopied = false;
    console->keys.clear();
    console->open = true;
}

// The last presented frame stays readable after closing.
void ptc_console_close(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_close");
    console->window.reset();
    console->open = false;
}

void* ptc_console_window(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_window");
    return console->window ? console->window->native() : nullptr;
}

void ptc_console_update(PTC_CONSOLE console) {
    requireOpen(console, "ptc_console_update");
    // The two frames trade places rather than copy: every copy into the
    // console writes all of its pixels, so the older one is never shown.
    if (console->drawingCopied) {
        console->drawing.swap(console->presented);
        console->drawingCopied = false;
    }
    if (console->window) {
        console->window->present(console->presented.data(), console->bar);
        collectKeys(console);
    }
}

void ptc_console_rest(PTC_CONSOLE console, int64_t longestNs) {
    requireOpen(console, "ptc_console_rest");
    // An offscreen console shows nothing: there is nothing to keep up.
    if (!console->window) return;
    if (!console->window->rest(console->bar, console->keys, longestNs)) ptc_console_update(console);
}

void ptc_console_keep_screen_on(PTC_CONSOLE console, int on) {
    requireHandle(console, "ptc_console_keep_screen_on");
    if (console->window) console->window->keepScreenOn(on != 0);
}

void ptc_console_raise(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_raise");
    if (console->window) console->window->raise();
}

int ptc_console_key(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_key");
    collectKeys(console);
    return console->keys.empty() ? 0 : 1;
}

// Waits for a press on a window; an offscreen console has nobody to press a
// key, so reading with none queued is an error rather than a hang.
void ptc_console_read(PTC_CONSOLE console, PTC_KEY key) {
    requireHandle(console, "ptc_console_read");
    requireHandle(key, "ptc_console_read");
    collectKeys(console);
    if (console->keys.empty()) {
        if (!console->window) throw DynamicError("ptc_console_read: no key press is pending");
        console->window->waitForKey(console->keys);
    }
    key->code = console->keys.front();
    console->keys.pop_front();
}

int64_t ptc_console_frame_duration(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_frame_duration");
    return console->window ? console->window->frameDurationNs() : 0;
}

int64_t ptc_console_shown_after(PTC_CONSOLE console, int64_t presentNs) {
    requireHandle(console, "ptc_console_shown_after");
    return console->window ? console->window->shownAfter(presentNs) : presentNs;
}

void ptc_console_bar(PTC_CONSOLE console, const PlayerBar* bar) {
    requireHandle(console, "ptc_console_bar");
    if (!bar) throw DynamicError("ptc_console_bar: no bar");
    console->bar = *bar;
}

const PlayerBar* ptc_console_bar_shown(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_bar_shown");
    return &console->bar;
}

void ptc_console_queue_key(PTC_CONSOLE console, int code) {
    requireHandle(console, "ptc_console_queue_key");
    console->keys.push_back(code);
}

int ptc_console_width(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_width");
    return console->width;
}

int ptc_console_height(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_height");
    return console->height;
}

const uint32_t* ptc_console_frame(PTC_CONSOLE console) {
    requireHandle(console, "ptc_console_frame");
    if (console->presented.empty()) throw DynamicError("ptc_console_frame: the console was never opened");
    return console->presented.data();
}
