// Driving the real peekstun program on an X display as a user would: start
// it, find its windows, type into them and take their pictures, with xdotool
// and ImageMagick. Every X command runs under a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace x11_session {

using Clock = std::chrono::steady_clock;

// The peekstun program of this build tree.
std::string programPath();

// Why tests that drive the program cannot run here (no display, program not
// built, xdotool missing), or "" when they can.
std::string unavailableReason();

// A shell command's exit success and standard output.
struct CommandResult {
    bool ok;
    std::string output;
};

CommandResult runCommand(const std::string& command);

std::vector<std::string> lines(const std::string& text);

// The peekstun program, started in `directory` with `arguments`, SDL's dummy
// audio driver and its standard error kept in a file named after `name`;
// killed if a test leaves it running.
class Program {
public:
    Program(const std::string& directory, const std::string& name, const std::vector<std::string>& arguments = {});
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    pid_t pid() const { return child; }

    // Polls until the program exits or `seconds` pass; `whileWaiting` runs on
    // every poll.
    bool waitForExit(
        double seconds, const std::function<void()>& whileWaiting = [] {});
    bool hasExited();
    bool exitedWithZero() const;
    // What the program wrote on standard error.
    std::string errors() const;

    // Freezes the program (and any helper it started) and lets it go on, so that what it last drew stays
    // on the screen while a picture of it is taken.
    void pause();
    void resume();

private:
    std::string errorPath;
    pid_t child = -1;
    bool exited = false;
    int status = 0;
};

// The program's visible windows, optionally only those whose name matches.
std::vector<std::string> visibleWindows(const Program& program, const std::string& name = "");
// The first matching window to appear within `seconds`, or "".
std::string waitForWindow(const Program& program, const std::string& name, double seconds);
bool waitForWindowGone(const Program& program, const std::string& window, double seconds);

// The message box titled "Error" on the display, or "".
std::string messageBoxWindow();

// Gives `window` the keyboard focus and presses `keys` (xdotool key names);
// false when that could not be done.
bool pressKeys(const std::string& window, const std::string& keys);

struct Size {
    int width = 0, height = 0;
};
Size windowSize(const std::string& window);
Size screenSize();

// An RGB picture, three bytes per pixel, rows top to bottom.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool empty() const { return rgb.empty(); }
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Any picture file ImageMagick reads, resampled to the nearest pixel when a
// size is given; empty when it cannot be read.
Picture readPicture(const std::string& path, int width = 0, int height = 0);
// The window's contents, saved in `savedAs` (PNG) and read back at
// width x height; empty when the window cannot be captured.
Picture captureWindow(const std::string& window, const std::string& savedAs, int width, int height);

// Every window mapped on the display while this object lives, however
// briefly, as seen by xev on the root window.
class MappedWindowLog {
public:
    MappedWindowLog();
    MappedWindowLog(const MappedWindowLog&) = delete;
    MappedWindowLog& operator=(const MappedWindowLog&) = delete;
    ~MappedWindowLog();

    // Stops recording; the windows in decimal, as xdotool names them.
    std::vector<std::string> stop();

private:
    void startRecorder();

    std::string logPath;
    pid_t recorder = -1;
};

// A virtual X server of the test's own (Xvfb, 1280 x 1024), named by DISPLAY
// while this object lives. The user's own display is never used: where no
// virtual server starts, DISPLAY is left unset and the tests that need one
// skip.
class VirtualDisplay {
public:
    VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay();

private:
    pid_t server = -1;
};

}  // namespace x11_session
