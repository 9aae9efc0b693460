#include "platform/display/frame_pacer.h"

#include <algorithm>
#include <thread>

namespace {

// Presents a tenth faster than the refresh still pass unhindered, so a
// vertical sync that waits is never joined by a sleep of the pacer's own.
constexpr double kShareOfRefreshPeriod = 0.9;

}  // namespace

FramePacer::FramePacer(int refreshRate) : shownWhenPresented(refreshRate <= 0) {
    const double rate = refreshRate > 0 ? refreshRate : 60;
    refreshPeriod =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / rate));
    interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(kShareOfRefreshPeriod / rate));
}

void FramePacer::presented() {
    auto now = std::chrono::steady_clock::now();
    if (started && now < earliestNext) {
        std::this_thread::sleep_until(earliestNext);
        now = earliestNext;
    }
    // A late present starts the count afresh rather than earning a burst.
    earliestNext = now + interval;
    presentedAt(now);
}

void FramePacer::presentedAt(std::chrono::steady_clock::time_point returned) {
    if (started && returned > lastReturn && returned - lastReturn <= kLongestFrameRefreshes * refreshPeriod) {
        recentFrames[recentNext] = returned - lastReturn;
        recentNext = (recentNext + 1) % kRecentFrames;
        recentCount = std::min(recentCount + 1, kRecentFrames);
    }
    lastReturn = returned;
    started = true;
}

std::chrono::steady_clock::duration FramePacer::frameDuration() const {
    if (recentCount == 0) return refreshPeriod;
    std::chrono::steady_clock::duration sum{};
    for (int i = 0; i < recentCount; ++i) sum += recentFrames[i];
    return sum / recentCount;
}

std::chrono::steady_clock::time_point FramePacer::shownAfter(std::chrono::steady_clock::time_point presentAt) const {
    if (shownWhenPresented) return presentAt;
    if (!started) return presentAt + refreshPeriod;
    if (presentAt < lastReturn) return lastReturn + refreshPeriod;
    const auto refreshes = (presentAt - lastReturn) / refreshPeriod + 1;
    return lastReturn + refreshes * refreshPeriod;
}
