// One key press read from a console.
#pragma once

#include "ptc.h"

// Key codes as consoles report them: printable keys as their lower-case
// character, Escape and Enter as themselves, every other key as 0x100 plus
// its USB keyboard usage, whatever the display backend.
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = ' ';
constexpr int kKeyPeriod = '.';
constexpr int kKeyHome = 0x100 + 74;
constexpr int kKeyPageUp = 0x100 + 75;
constexpr int kKeyPageDown = 0x100 + 78;
constexpr int kKeyRight = 0x100 + 79;
constexpr int kKeyLeft = 0x100 + 80;

class DynamicKey {
public:
    DynamicKey() : handle(ptc_key_create()) {}
    DynamicKey(const DynamicKey&) = delete;
    DynamicKey& operator=(const DynamicKey&) = delete;
    ~DynamicKey() { ptc_key_destroy(handle); }

    int code() const { return ptc_key_code(handle); }

    PTC_KEY get() const { return handle; }

private:
    PTC_KEY handle;
};
