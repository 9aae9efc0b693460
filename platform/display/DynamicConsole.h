// The display: a window, the full screen, or an offscreen frame.
#pragma once

#include <cstdint>

#include "DynamicFormat.h"
#include "DynamicKey.h"
#include "player_bar.h"
#include "ptc.h"

class DynamicConsole {
public:
    DynamicConsole() : handle(ptc_console_create()) {}
    DynamicConsole(const DynamicConsole&) = delete;
    DynamicConsole& operator=(const DynamicConsole&) = delete;
    ~DynamicConsole() { ptc_console_destroy(handle); }

    int option(const char* text) { return ptc_console_option(handle, text); }
    void open(const char* title, int width, int height, const DynamicFormat& format, int pages = 0) {
        ptc_console_open_resolution(handle, title, width, height, format.get(), pages);
    }
    void close() { ptc_console_close(handle); }
    void* window() { return ptc_console_window(handle); }
    void update() { ptc_console_update(handle); }
    bool key() { return ptc_console_key(handle) != 0; }
    void read(DynamicKey& key) { ptc_console_read(handle, key.get()); }
    int width() const { return ptc_console_width(handle); }
    int height() const { return ptc_console_height(handle); }
    const uint32_t* frame() const { return ptc_console_frame(handle); }
    int64_t shownAfter(int64_t presentNs) const { return ptc_console_shown_after(handle, presentNs); }
    int64_t frameDuration() const { return ptc_console_frame_duration(handle); }
    void showBar(const PlayerBar& bar) { ptc_console_bar(handle, &bar); }
    void rest(int64_t longestNs) { ptc_console_rest(handle, longestNs); }
    void keepScreenOn(bool on) { ptc_console_keep_screen_on(handle, on ? 1 : 0); }
    void raise() { ptc_console_raise(handle); }
    const PlayerBar& bar() const { return *ptc_console_bar_shown(handle); }

    PTC_CONSOLE get() const { return handle; }

private:
    PTC_CONSOLE handle;
};
