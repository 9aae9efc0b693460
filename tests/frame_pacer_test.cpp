// The pacer's waits, checked only from below: a busy machine can make the
// presents slower, never faster.
#include "platform/display/frame_pacer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

TEST(FramePacer, PresentsComeNoFasterThanNineTenthsOfTheRefreshPeriod) {
    FramePacer pacer(100);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(pacer.leastInterval()).count(), 9000);
    const Clock::time_point start = Clock::now();
    for (int present = 0; present < 11; ++present) pacer.presented();
    EXPECT_GE(Clock::now() - start, 10 * pacer.leastInterval());
}

TEST(FramePacer, AnUnknownRefreshRateCountsAsSixty) {
    EXPECT_EQ(FramePacer(0).leastInterval(), FramePacer(60).leastInterval());
    EXPECT_EQ(FramePacer(-5).leastInterval(), FramePacer(60).leastInterval());
    EXPECT_LT(FramePacer(144).leastInterval(), FramePacer(60).leastInterval());
}

// A 100 Hz display: refreshes every 10 ms on the grid through the last
// present's return; a frame presented exactly on a refresh waits for the next.
TEST(FramePacer, AFrameIsShownOnTheFirstRefreshAfterItsPresent) {
    using std::chrono::milliseconds;
    FramePacer pacer(100);
    const Clock::time_point t0{milliseconds(1000)};
    EXPECT_EQ(pacer.shownAfter(t0), t0 + milliseconds(10));
    pacer.presentedAt(t0);
    EXPECT_EQ(pacer.shownAfter(t0 + milliseconds(3)), t0 + milliseconds(10));
    EXPECT_EQ(pacer.shownAfter(t0 + milliseconds(10)), t0 + milliseconds(20));
    EXPECT_EQ(pacer.shownAfter(t0 + milliseconds(47)), t0 + milliseconds(50));
    EXPECT_EQ(pacer.shownAfter(t0 - milliseconds(4)), t0 + milliseconds(10));
}

// Without a refresh rate there is no scan-out to wait for: a frame is seen
// when it is presented, whatever the presents before it.
TEST(FramePacer, ADisplayWithoutARefreshRateShowsAFrameWhenPresented) {
    using std::chrono::milliseconds;
    FramePacer pacer(0);
    const Clock::time_point t0{milliseconds(1000)};
    EXPECT_EQ(pacer.shownAfter(t0), t0);
    pacer.presentedAt(t0);
    EXPECT_EQ(pacer.shownAfter(t0 + milliseconds(3)), t0 + milliseconds(3));
}

// A show drawing every other refresh keeps each frame on screen two
// refreshes; a pause between two presents is not a frame's time.
TEST(FramePacer, AFrameLastsAsLongAsTheRecentPresentsAreApart) {
    using std::chrono::milliseconds;
    FramePacer pacer(100);
    EXPECT_EQ(pacer.frameDuration(), milliseconds(10));
    Clock::time_point t{milliseconds(1000)};
    for (int present = 0; present < 10; ++present, t += milliseconds(20)) pacer.presentedAt(t);
    EXPECT_EQ(pacer.frameDuration(), milliseconds(20));
    pacer.presentedAt(t + milliseconds(3000));
    EXPECT_EQ(pacer.frameDuration(), milliseconds(20));
}

}  // namespace
