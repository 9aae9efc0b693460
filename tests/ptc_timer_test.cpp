// The timer: measured seconds between deltas, or a fixed step.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "platform/display/DynamicError.h"
#include "platform/display/DynamicTimer.h"

namespace {

TEST(Timer, DeltasMeasureTheTimeBetweenCalls) {
    DynamicTimer timer;
    timer.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double first = timer.delta();
    EXPECT_GE(first, 0.025);
    EXPECT_LT(first, 5.0);
    // The next delta counts from the previous one, not from the start.
    const double second = timer.delta();
    EXPECT_GE(second, 0.0);
    EXPECT_LT(second, first);
}

TEST(Timer, AFixedStepIsReturnedExactlyUntilCleared) {
    DynamicTimer timer;
    timer.start();
    timer.setFixedStep(1.0 / 60.0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(timer.delta(), 1.0 / 60.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(timer.delta(), 1.0 / 60.0);
    timer.setFixedStep(0.0);
    EXPECT_LT(timer.delta(), 1.0 / 60.0);
}

TEST(Timer, RefusesStepsThatAreNotTimes) {
    DynamicTimer timer;
    EXPECT_THROW(timer.setFixedStep(-0.1), DynamicError);
    EXPECT_THROW(timer.setFixedStep(std::numeric_limits<double>::quiet_NaN()), DynamicError);
    EXPECT_THROW(timer.setFixedStep(std::numeric_limits<double>::infinity()), DynamicError);
}

}  // namespace
