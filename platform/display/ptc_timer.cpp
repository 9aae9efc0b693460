// Timer: a monotonic clock in seconds, or a fixed step for offline rendering.
#include <chrono>
#include <cmath>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/display/ptc_objects.h"

using TimerClock = std::chrono::steady_clock;

struct ptc_timer_t {
    TimerClock::time_point last = TimerClock::now();
    double fixedStep = 0.0;
};

PTC_TIMER ptc_timer_create() { return new ptc_timer_t; }

void ptc_timer_destroy(PTC_TIMER timer) { delete timer; }

void ptc_timer_start(PTC_TIMER timer) {
    requireHandle(timer, "ptc_timer_start");
    timer->last = TimerClock::now();
}

double ptc_timer_delta(PTC_TIMER timer) {
    requireHandle(timer, "ptc_timer_delta");
    const TimerClock::time_point now = TimerClock::now();
    const double seconds = std::chrono::duration<double>(now - timer->last).count();
    timer->last = now;
    return timer->fixedStep > 0.0 ? timer->fixedStep : seconds;
}

// A step of 0 returns the timer to measured time.
void ptc_timer_set_fixed_step(PTC_TIMER timer, double seconds) {
    requireHandle(timer, "ptc_timer_set_fixed_step");
    if (!std::isfinite(seconds) || seconds < 0.0) {
        throw DynamicError("ptc_timer_set_fixed_step: the step must be a finite number of seconds, not " +
                           std::to_string(seconds));
    }
    timer->fixedStep = seconds;
}
