// A monotonic timer giving the seconds between successive deltas.
#pragma once

#include "ptc.h"

class DynamicTimer {
public:
    DynamicTimer() : handle(ptc_timer_create()) {}
    DynamicTimer(const DynamicTimer&) = delete;
    DynamicTimer& operator=(const DynamicTimer&) = delete;
    ~DynamicTimer() { ptc_timer_destroy(handle); }

    void start() { ptc_timer_start(handle); }
    double delta() { return ptc_timer_delta(handle); }
    void setFixedStep(double seconds) { ptc_timer_set_fixed_step(handle, seconds); }

    PTC_TIMER get() const { return handle; }

private:
    PTC_TIMER handle;
};
