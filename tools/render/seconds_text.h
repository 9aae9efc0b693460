// Seconds as people write them in messages: "999 s", "12.5 s", "0.25 s".
#pragma once

#include <cstdio>
#include <string>

inline std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}
