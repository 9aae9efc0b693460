#include "screen_poller.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>
#include <stdexcept>

#include "clock.h"

namespace {

// X reports errors to one handler for the whole program; a failed request
// here means the window went away (the show ended).
std::atomic<bool> xFailed{false};
int noteXError(Display*, XErrorEvent*) {
    xFailed = true;
    return 0;
}

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

struct WindowPoller::Impl {
    Display* display = nullptr;
    Window window = 0;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    int width = 0;
    int height = 0;
};

WindowPoller::WindowPoller(unsigned long window, int64_t intervalNs) : impl(new Impl), interval(intervalNs) {
    XSetErrorHandler(noteXError);
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) {
        delete impl;
        throw std::runtime_error("Cannot open the X display");
    }
    impl->window = window;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(impl->display, window, &attributes) || !XShmQueryExtension(impl->display)) {
        XCloseDisplay(impl->display);
        delete impl;
        throw std::runtime_error("The window is not there, or the display has no shared memory images");
    }
    impl->width = attributes.width;
    impl->height = attributes.height;
    impl->image = XShmCreateImage(impl->display, attributes.visual, attributes.depth, ZPixmap, nullptr, &impl->segment,
                                  attributes.width, attributes.height);
    impl->segment.shmid = shmget(IPC_PRIVATE, impl->image->bytes_per_line * impl->image->height, IPC_CREAT | 0600);
    impl->segment.shmaddr = impl->image->data = static_cast<char*>(shmat(impl->segment.shmid, nullptr, 0));
    impl->segment.readOnly = False;
    XShmAttach(impl->display, &impl->segment);
    XSync(impl->display, False);
    // Removed now, freed when both sides have detached.
    shmctl(impl->segment.shmid, IPC_RMID, nullptr);
    if (impl->image->bits_per_pixel != 32) throw std::runtime_error("The meter reads 32-bit pixels only");
}

WindowPoller::~WindowPoller() {
    if (thread.joinable()) {
        running = false;
        thread.join();
    }
    XShmDetach(impl->display, &impl->segment);
    XDestroyImage(impl->image);
    shmdt(impl->segment.shmaddr);
    XCloseDisplay(impl->display);
    delete impl;
}

void WindowPoller::start() {
    running = true;
    thread = std::thread([this] { run(); });
}

void WindowPoller::run() {
    XImage* image = impl->image;
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * image->height;
    std::vector<char> last(bytes, 0);
    const int red = shiftOf(image->red_mask), green = shiftOf(image->green_mask), blue = shiftOf(image->blue_mask);
    std::vector<int> columns(kGridWidth), rows(kGridHeight);
    for (int x = 0; x < kGridWidth; ++x) columns[x] = (2 * x + 1) * impl->width / (2 * kGridWidth);
    for (int y = 0; y < kGridHeight; ++y) rows[y] = (2 * y + 1) * impl->height / (2 * kGridHeight);

    int64_t previous = 0;
    bool first = true;
    while (running) {
        const int64_t before = monotonicNs();
        if (!XShmGetImage(impl->display, impl->window, image, 0, 0, AllPlanes) || xFailed) {
            gone = true;
            break;
        }
        const int64_t now = (before + monotonicNs()) / 2;
        ++pollCount;
        if (first || std::memcmp(image->data, last.data(), bytes) != 0) {
            std::memcpy(last.data(), image->data, bytes);
            ScreenFrame frame{first ? now : (previous + now) / 2, std::vector<uint8_t>(kGridWidth * kGridHeight)};
            for (int y = 0; y < kGridHeight; ++y) {
                const auto* line = reinterpret_cast<const uint32_t*>(image->data + rows[y] * image->bytes_per_line);
                for (int x = 0; x < kGridWidth; ++x) {
                    uint32_t pixel = line[columns[x]];
                    int r = (pixel >> red) & 255, g = (pixel >> green) & 255, b = (pixel >> blue) & 255;
                    frame.grey[y * kGridWidth + x] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29) >> 8);
                }
            }
            std::lock_guard<std::mutex> lock(mutex);
            frames.push_back(std::move(frame));
            first = false;
        }
        previous = now;
        sleepUntilNs(before + interval);
    }
}

std::vector<ScreenFrame> WindowPoller::framesSince(int64_t sinceNs) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<ScreenFrame> copy;
    for (const ScreenFrame& frame : frames)
        if (frame.shownNs >= sinceNs) copy.push_back(frame);
    return copy;
}

void WindowPoller::forgetBefore(int64_t ns) {
    std::lock_guard<std::mutex> lock(mutex);
    size_t old = 0;
    while (old < frames.size() && frames[old].shownNs < ns) ++old;
    frames.erase(frames.begin(), frames.begin() + old);
}

std::vector<ScreenFrame> WindowPoller::stop() {
    running = false;
    if (thread.joinable()) thread.join();
    return std::move(frames);
}

void pressKey(unsigned long window, const char* keysym) {
    Display* x = XOpenDisplay(nullptr);
    if (!x) throw std::runtime_error("Cannot open the X display");
    XKeyEvent key{};
    key.display = x;
    key.window = window;
    key.root = DefaultRootWindow(x);
    key.same_screen = True;
    key.keycode = XKeysymToKeycode(x, XStringToKeysym(keysym));
    key.time = CurrentTime;
    key.type = KeyPress;
    XSendEvent(x, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
    key.type = KeyRelease;
    XSendEvent(x, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
    XSync(x, False);
    XCloseDisplay(x);
}

FlipWindow::FlipWindow() {
    XSetErrorHandler(noteXError);
    Display* x = XOpenDisplay(nullptr);
    if (!x) throw std::runtime_error("Cannot open the X display");
    display = x;
    const int screen = DefaultScreen(x);
    window = XCreateSimpleWindow(x, RootWindow(x, screen), 0, 0, kGridWidth, kGridHeight, 0, BlackPixel(x, screen),
                                 BlackPixel(x, screen));
    XSelectInput(x, window, StructureNotifyMask);
    XMapRaised(x, window);
    XEvent event;
    do XNextEvent(x, &event);
    while (event.type != MapNotify);
    gc = XCreateGC(x, window, 0, nullptr);
    XSetForeground(x, static_cast<GC>(gc), BlackPixel(x, screen));
    XFillRectangle(x, window, static_cast<GC>(gc), 0, 0, kGridWidth, kGridHeight);
    XSync(x, False);
}

FlipWindow::~FlipWindow() {
    Display* x = static_cast<Display*>(display);
    XFreeGC(x, static_cast<GC>(gc));
    XDestroyWindow(x, window);
    XCloseDisplay(x);
}

void FlipWindow::flip() {
    Display* x = static_cast<Display*>(display);
    white = !white;
    const int screen = DefaultScreen(x);
    XSetForeground(x, static_cast<GC>(gc), white ? WhitePixel(x, screen) : BlackPixel(x, screen));
    XFillRectangle(x, window, static_cast<GC>(gc), 0, 0, kGridWidth, kGridHeight);
    XFlush(x);
}
