// Keeps a window's presents to about one per refresh of the display. Where
// the vertical sync waits, presents already come that slowly and the pacer
// never sleeps; where it does not (turned off by the user or the driver, or
// a renderer without one), presents return at once, and without the pacer
// the show would draw thousands of frames a second that nobody sees.
#pragma once

#include <chrono>

class FramePacer {
public:
    // refreshRate in frames per second; 0 or less (unknown) paces as 60.
    explicit FramePacer(int refreshRate);

    // Called after each present: sleeps until the least time between two
    // presents has passed since the previous one.
    void presented();

    std::chrono::steady_clock::duration leastInterval() const { return interval; }

    // When a frame presented at `presentAt` reaches the screen: the first
    // refresh after it, on the grid of refreshes through the previous
    // present's return (where the vertical sync waits, presents return on a
    // refresh). Before any present, `presentAt` plus one refresh period.
    // A display that tells no refresh rate has no scan-out to wait for (a
    // virtual X server such as Xvfb or a VNC server): what is presented is
    // in its frame buffer, and seen, at `presentAt` itself. Measured on Xvfb,
    // the picture is there within half a millisecond of the call, while the
    // call waits out a simulated refresh before it returns.
    std::chrono::steady_clock::time_point shownAfter(std::chrono::steady_clock::time_point presentAt) const;
    // How long each frame stays on the screen: the mean time between the
    // last few presents (a wait longer than kLongestFrameRefreshes refreshes,
    // a pause or a load, is left out), one refresh period before any. On a
    // display that keeps its own refresh unknown this is also where its
    // real refresh shows.
    std::chrono::steady_clock::duration frameDuration() const;
    // The same, with the previous present's return given rather than read
    // from the clock: for presents made by someone else and for tests.
    void presentedAt(std::chrono::steady_clock::time_point returned);

private:
    std::chrono::steady_clock::duration refreshPeriod;
    std::chrono::steady_clock::duration interval;
    bool shownWhenPresented;
    static constexpr int kRecentFrames = 8;
    static constexpr int kLongestFrameRefreshes = 4;
    std::chrono::steady_clock::duration recentFrames[kRecentFrames] = {};
    int recentCount = 0;
    int recentNext = 0;
    std::chrono::steady_clock::time_point earliestNext;
    std::chrono::steady_clock::time_point lastReturn;
    bool started = false;
};
