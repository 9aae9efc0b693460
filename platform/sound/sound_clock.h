// The clock every live output tells time by: the steady clock in nanoseconds
// (on the page, the page's own clock).
#pragma once

#include <chrono>
#include <cstdint>

inline int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
