// Real windows on a virtual X display of the test's own:
// placement, what reaches the screen, keys and closing, full screen, and the
// clear failure when no display can be reached.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicSurface.h"
#include "platform/display/sdl/sdl_test_hooks.h"
#include "support/scoped_environment.h"
#include "support/x11_session.h"

namespace {

const DynamicFormat& frameFormat() {
    static const DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff);
    return format;
}

bool haveDisplay() {
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

#define REQUIRE_DISPLAY() \
    if (!haveDisplay()) GTEST_SKIP() << "DISPLAY is not set"

// One screen pixel as 0xRRGGBB, read with ImageMagick's import; -1 when it
// cannot be read.
long screenPixelOnce(int x, int y) {
    const std::string command =
        "import -window root -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) + " -depth 8 txt:- 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[256];
    long colour = -1;
    while (std::fgets(line, sizeof line, pipe)) {
        if (line[0] == '#') continue;  // the enumeration's header
        const char* hash = std::strchr(line, '#');
        if (hash && colour < 0) colour = std::strtol(hash + 1, nullptr, 16) & 0xffffff;
    }
    pclose(pipe);
    return colour;
}

// A busy X server sometimes drops a new connection, so the grab is retried.
long screenPixel(int x, int y) {
    long colour = -1;
    for (int attempt = 0; attempt < 5 && colour < 0; ++attempt) colour = screenPixelOnce(x, y);
    return colour;
}

bool haveScreenGrabber() { return std::system("command -v import >/dev/null 2>&1") == 0; }

// Presents until the screen shows `expected` at (x, y); the X server draws
// asynchronously.
long presentUntilShown(DynamicConsole& console, int x, int y, long expected) {
    long seen = -1;
    for (int attempt = 0; attempt < 20 && seen != expected; ++attempt) {
        console.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        seen = screenPixel(x, y);
    }
    return seen;
}

// Copies a 320 x 240 frame of one colour, its top left pixel another, onto
// the console (not yet presented).
void copyFrameOfColour(DynamicConsole& console, uint32_t colour, uint32_t topLeft) {
    DynamicSurface frame(320, 240, frameFormat());
    auto* pixels = static_cast<uint32_t*>(frame.lock());
    for (int i = 0; i < 320 * 240; ++i) pixels[i] = colour;
    pixels[0] = topLeft;
    frame.unlock();
    frame.copy(console);
}

// A window manager moves a new window under its title bar a moment after it
// opens; SDL learns of it from the events the updates collect.
SdlTestWindowGeometry settledGeometry(DynamicConsole& console) {
    SdlTestWindowGeometry geometry = sdlTestWindowGeometry(console.window());
    for (int settled = 0, attempt = 0; settled < 3 && attempt < 30; ++attempt) {
        console.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const SdlTestWindowGeometry now = sdlTestWindowGeometry(console.window());
        settled = (now.x == geometry.x && now.y == geometry.y) ? settled + 1 : 0;
        geometry = now;
    }
    return geometry;
}

std::vector<int> drainKeys(DynamicConsole& console) {
    std::vector<int> codes;
    while (console.key()) {
        DynamicKey key;
        console.read(key);
        codes.push_back(key.code());
    }
    return codes;
}

TEST(WindowedConsole, OpensCentredAtTheLargestComfortableMultiple) {
    REQUIRE_DISPLAY();
    DynamicConsole console;
    console.option("DirectX");
    console.option("windowed output");
    console.open("Quillmere - Peekstun", 320, 240, frameFormat());
    ASSERT_NE(console.window(), nullptr);
    const SdlTestWindowGeometry geometry = sdlTestWindowGeometry(console.window());
    EXPECT_FALSE(geometry.fullscreen);
    EXPECT_EQ(geometry.width % 320, 0);
    EXPECT_EQ(geometry.width / 320 * 240, geometry.height);
    // The largest whole multiple within 85% of the screen, in its middle.
    const x11_session::Size screen = x11_session::screenSize();
    ASSERT_GT(screen.width, 0);
    const int factor = std::max(
        1, std::min(static_cast<int>(screen.width * 0.85) / 320, static_cast<int>(screen.height * 0.85) / 240));
    EXPECT_EQ(geometry.width, 320 * factor);
    EXPECT_EQ(geometry.x, (screen.width - geometry.width) / 2);
    EXPECT_EQ(geometry.y, (screen.height - geometry.height) / 2);
}

// Checked at the window's top left corner, away from the middle of the screen
// where other programs' windows tend to open.
TEST(WindowedConsole, ThePresentedFrameReachesTheScreenWithCrispPixels) {
    REQUIRE_DISPLAY();
    if (!haveScreenGrabber()) GTEST_SKIP() << "ImageMagick's import is not installed";
    DynamicConsole console;
    console.option("windowed output");
    console.open("frame test", 320, 240, frameFormat());
    copyFrameOfColour(console, 0x0000ff, 0xff0000);

    const SdlTestWindowGeometry geometry = settledGeometry(console);
    const int scale = geometry.width / 320;
    const int x = geometry.x;
    const int y = geometry.y;
    // Frame pixel (0, 0) covers exactly scale x scale screen pixels.
    EXPECT_EQ(presentUntilShown(console, x + scale - 1, y + scale - 1, 0xff0000), 0xff0000);
    EXPECT_EQ(screenPixel(x, y), 0xff0000);
    EXPECT_EQ(screenPixel(x + scale, y + scale - 1), 0x0000ff);
    EXPECT_EQ(screenPixel(x + scale - 1, y + scale), 0x0000ff);
    EXPECT_EQ(console.frame()[0], 0xff0000u);
    EXPECT_EQ(console.frame()[1], 0x0000ffu);
}

// The bar darkens the bottom of the picture on the screen while the frame
// read back (what captures and golden frames are made of) stays the copied one.
TEST(WindowedConsole, ThePlayersBarReachesTheScreenButNeverTheFrame) {
    REQUIRE_DISPLAY();
    if (!haveScreenGrabber()) GTEST_SKIP() << "ImageMagick's import is not installed";
    DynamicConsole console;
    console.option("windowed output");
    console.open("bar test", 320, 240, frameFormat());
    copyFrameOfColour(console, 0x0000ff, 0x0000ff);
    const SdlTestWindowGeometry geometry = settledGeometry(console);
    // Under the middle of the strip's bottom edge, below its words and marks.
    const int x = geometry.x + geometry.width / 2;
    const int y = geometry.y + geometry.height - 2;
    ASSERT_EQ(presentUntilShown(console, x, y, 0x0000ff), 0x0000ff);

    PlayerBar bar;
    bar.shown = true;
    bar.paused = true;
    bar.seconds = 100;
    bar.totalSeconds = 240;
    bar.scene = 3;
    console.showBar(bar);
    long seen = 0x0000ff;
    for (int attempt = 0; attempt < 20 && seen == 0x0000ff; ++attempt) {
        console.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        seen = screenPixel(x, y);
    }
    EXPECT_NE(seen, 0x0000ff) << "the bar did not reach the screen";
    EXPECT_GT(seen & 0xff, 0) << "the strip hides the picture instead of darkening it";
    const std::vector<uint32_t> blue(320 * 240, 0x0000ff);
    EXPECT_TRUE(std::equal(blue.begin(), blue.end(), console.frame())) << "the bar entered the frame";

    bar.shown = false;
    console.showBar(bar);
    EXPECT_EQ(presentUntilShown(console, x, y, 0x0000ff), 0x0000ff);
}

TEST(WindowedConsole, KeyPressesAreQueuedInOrderWithoutRepeats) {
    REQUIRE_DISPLAY();
    DynamicConsole console;
    console.option("windowed output");
    console.open("key test", 320, 240, frameFormat());
    const int f1 = 0x100 + 58;  // a key without a character: 0x100 + scan code
    sdlTestPressKey(console.window(), 'a');
    sdlTestPressKey(console.window(), 'a', true);
    sdlTestPressKey(console.window(), f1);
    sdlTestPressKey(console.window(), 13);
    sdlTestPressKey(console.window(), 27);
    EXPECT_EQ(drainKeys(console), (std::vector<int>{'a', f1, 13, 27}));
    EXPECT_TRUE(drainKeys(console).empty());
}

// The player's keys, and the keypad: its digits and point with NumLock on,
// the arrows, Home and the page keys printed under them with it off.
TEST(WindowedConsole, PlayerKeysAndTheKeypadReadAsThePlayersCodes) {
    REQUIRE_DISPLAY();
    DynamicConsole console;
    console.option("windowed output");
    console.open("player key test", 320, 240, frameFormat());
    void* window = console.window();
    const std::vector<int> playerKeys = {kKeyLeft, kKeyRight, kKeyPageUp, kKeyPageDown, kKeyHome,
                                         kKeySpace, kKeyPeriod, '1', '8'};
    for (int code : playerKeys) sdlTestPressKey(window, code);
    EXPECT_EQ(drainKeys(console), playerKeys);

    constexpr int kKeypad1 = 89, kKeypad3 = 91, kKeypad4 = 92, kKeypad6 = 94, kKeypad7 = 95, kKeypad8 = 96,
                  kKeypad9 = 97, kKeypadPoint = 99;
    for (int usage : {kKeypad1, kKeypad8, kKeypadPoint}) sdlTestPressKeypadKey(window, usage, true);
    EXPECT_EQ(drainKeys(console), (std::vector<int>{'1', '8', '.'}));
    for (int usage : {kKeypad4, kKeypad6, kKeypad9, kKeypad3, kKeypad7}) sdlTestPressKeypadKey(window, usage, false);
    EXPECT_EQ(drainKeys(console), (std::vector<int>{kKeyLeft, kKeyRight, kKeyPageUp, kKeyPageDown, kKeyHome}));
}

TEST(WindowedConsole, ClosingTheWindowIsOneEscape) {
    REQUIRE_DISPLAY();
    DynamicConsole console;
    console.option("windowed output");
    console.open("close test", 320, 240, frameFormat());
    sdlTestCloseWindow(console.window());
    sdlTestQuit();  // SDL follows the close of the last window with a quit
    EXPECT_EQ(drainKeys(console), (std::vector<int>{27}));
    sdlTestQuit();  // a quit on its own (an interrupt, a session ending)
    EXPECT_EQ(drainKeys(console), (std::vector<int>{27}));
}

TEST(WindowedConsole, ReadingWaitsForTheNextPress) {
    REQUIRE_DISPLAY();
    DynamicConsole console;
    console.option("windowed output");
    console.open("wait test", 320, 240, frameFormat());
    void* window = console.window();
    std::thread typist([window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sdlTestPressKey(window, 'x');
    });
    DynamicKey key;
    console.read(key);
    typist.join();
    EXPECT_EQ(key.code(), 'x');
}

TEST(FullscreenConsole, HidesTheCursorAndPresents) {
    REQUIRE_DISPLAY();
    {
        DynamicConsole console;
        console.option("fullscreen output");
        console.open("fullscreen test", 320, 240, frameFormat());
        const SdlTestWindowGeometry geometry = sdlTestWindowGeometry(console.window());
        EXPECT_TRUE(geometry.fullscreen);
        EXPECT_FALSE(geometry.cursorShown);
        DynamicSurface frame(320, 240, frameFormat());
        static_cast<uint32_t*>(frame.lock())[0] = 0x445566;
        frame.unlock();
        frame.copy(console);
        console.update();
        EXPECT_EQ(console.frame()[0], 0x445566u);
        console.close();
        EXPECT_EQ(console.window(), nullptr);
    }
}

// The letterboxed picture spans the screen's height when the screen is
// wider than 4:3, else its width: the middle of that edge is inside it. A
// window left small in the middle (no window manager to make it full screen)
// would leave it black.
TEST(FullscreenConsole, ThePictureReachesTheEdgeOfTheScreen) {
    REQUIRE_DISPLAY();
    if (!haveScreenGrabber()) GTEST_SKIP() << "ImageMagick's import is not installed";
    DynamicConsole console;
    console.option("fullscreen output");
    console.open("edge test", 320, 240, frameFormat());
    copyFrameOfColour(console, 0x00ff00, 0x00ff00);
    const SdlTestWindowGeometry screen = sdlTestWindowGeometry(console.window());
    const bool wide = screen.width * 3 >= screen.height * 4;
    const int x = screen.x + (wide ? screen.width / 2 : 2);
    const int y = screen.y + (wide ? 2 : screen.height / 2);
    EXPECT_EQ(presentUntilShown(console, x, y, 0x00ff00), 0x00ff00) << "at " << x << ", " << y;
}

TEST(NoDisplay, AWindowWithoutADisplayIsAClearError) {
    const ScopedEnvironment noX("DISPLAY", nullptr);
    const ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
    DynamicConsole console;
    console.option("windowed output");
    try {
        console.open("nowhere", 320, 240, frameFormat());
        FAIL() << "a window opened without a display";
    } catch (const DynamicError& error) {
        EXPECT_EQ(std::string(error.message()).rfind("No display available: ", 0), 0u) << error.message();
    }
}

TEST(NoDisplay, SdlsInvisibleDriversAreRefused) {
    for (const char* driver : {"offscreen", "dummy"}) {
        const ScopedEnvironment invisible("SDL_VIDEODRIVER", driver);
        DynamicConsole console;
        console.option("fullscreen output");
        try {
            console.open("nowhere", 320, 240, frameFormat());
            FAIL() << "a console opened on the " << driver << " driver";
        } catch (const DynamicError& error) {
            EXPECT_EQ(std::string(error.message()).rfind("No display available: ", 0), 0u) << error.message();
        }
    }
}

TEST(NoDisplay, TheOffscreenConsoleNeedsNoDisplay) {
    const ScopedEnvironment noX("DISPLAY", nullptr);
    const ScopedEnvironment broken("SDL_VIDEODRIVER", "no-such-driver");
    DynamicConsole console;
    console.option("offscreen output");
    console.open("nowhere", 320, 240, frameFormat());
    console.update();
    EXPECT_EQ(console.window(), nullptr);
}

}  // namespace
