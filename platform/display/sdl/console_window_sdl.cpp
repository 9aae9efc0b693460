// Consoles on SDL: a window or the full screen (sdl_window.h).
#include <SDL.h>

#include "platform/display/console_window.h"
#include "platform/display/sdl/sdl_window.h"

namespace {

class SdlConsoleWindow : public ConsoleWindow {
public:
    SdlConsoleWindow(const char* title, int width, int height, bool fullscreen)
        : window(title, width, height, fullscreen ? SdlWindow::Mode::Fullscreen : SdlWindow::Mode::Windowed) {}

    void present(const uint32_t* pixels, const PlayerBar& bar) override { window.present(pixels, bar); }
    void collectKeys(std::deque<int>& keys) override { window.collectKeys(keys); }
    void waitForKey(std::deque<int>& keys) override { window.waitForKey(keys); }
    bool rest(const PlayerBar& bar, std::deque<int>& keys, int64_t longestNs) override {
        window.rest(bar, keys, std::chrono::milliseconds(longestNs / 1000000));
        return true;
    }
    void keepScreenOn(bool on) override { window.keepScreenOn(on); }
    void raise() override { SDL_RaiseWindow(window.native()); }
    void* native() override { return window.native(); }
    int64_t shownAfter(int64_t presentNs) const override {
        using std::chrono::nanoseconds;
        using std::chrono::steady_clock;
        const steady_clock::time_point presentAt{
            std::chrono::duration_cast<steady_clock::duration>(nanoseconds(presentNs))};
        return std::chrono::duration_cast<nanoseconds>(window.shownAfter(presentAt).time_since_epoch()).count();
    }
    int64_t frameDurationNs() const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(window.frameDuration()).count();
    }

private:
    SdlWindow window;
};

}  // namespace

std::unique_ptr<ConsoleWindow> openConsoleWindow(const char* title, int width, int height, bool fullscreen) {
    return std::make_unique<SdlConsoleWindow>(title, width, height, fullscreen);
}
