// Consoles on SDL: a window or the full screen (sdl_window.h).
#include "platform/display/console_window.h"
#include "platform/display/sdl/sdl_window.h"

namespace {

class SdlConsoleWindow : public ConsoleWindow {
public:
    SdlConsoleWindow(const char* title, int width, int height, bool fullscreen)
        : window(title, width, height, fullscreen ? SdlWindow::Mode::Fullscreen : SdlWindow::Mode::Windowed) {}

    void present(const uint32_t* pixels) override { window.present(pixels); }
    void collectKeys(std::deque<int>& keys) override { window.collectKeys(keys); }
    void waitForKey(std::deque<int>& keys) override { window.waitForKey(keys); }
    void* native() override { return window.native(); }

private:
    SdlWindow window;
};

}  // namespace

std::unique_ptr<ConsoleWindow> openConsoleWindow(const char* title, int width, int height, bool fullscreen) {
    return std::make_unique<SdlConsoleWindow>(title, width, height, fullscreen);
}
