// The meter's eyes: polls an X window's pixels every millisecond or two and
// keeps each new picture, as a 320x240 grey image sampled from the window,
// with the monotonic time it appeared (halfway between the poll that first
// saw it and the one before).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr int kGridWidth = 320;
constexpr int kGridHeight = 240;

struct ScreenFrame {
    int64_t shownNs;
    std::vector<uint8_t> grey;  // kGridWidth x kGridHeight
};

class WindowPoller {
public:
    // Throws std::runtime_error when the display, the window or shared memory
    // images are not there.
    WindowPoller(unsigned long window, int64_t intervalNs);
    ~WindowPoller();
    void start();
    // The frames seen; also when the window went away earlier.
    std::vector<ScreenFrame> stop();
    int64_t polls() const { return pollCount; }
    // While polling: a copy of the frames seen since `sinceNs`, and leaving
    // out of the rest those before it.
    std::vector<ScreenFrame> framesSince(int64_t sinceNs);
    void forgetBefore(int64_t ns);
    bool windowGone() const { return gone; }

private:
    void run();
    struct Impl;
    Impl* impl;
    int64_t interval;
    std::mutex mutex;  // guards frames
    std::vector<ScreenFrame> frames;
    std::atomic<bool> running{false};
    std::atomic<bool> gone{false};
    std::atomic<int64_t> pollCount{0};
    std::thread thread;
};

// Sends Escape, pressed and released, to the window (as xdotool's
// `key --window` does). Throws std::runtime_error without a display.
// Sends the key X names `keysym` ("Escape", "space", "Right", "3") to the
// window, pressed and released.
void pressKey(unsigned long window, const char* keysym);

// A plain window of the meter's own whose colour it flips between black and
// white, the picture half of the calibration stimulus.
class FlipWindow {
public:
    FlipWindow();
    ~FlipWindow();
    unsigned long id() const { return window; }
    void flip();

private:
    void* display;
    unsigned long window;
    void* gc;
    bool white = false;
};
