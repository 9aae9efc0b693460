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
constexpr int kKeyDown = 0x100 + 81;
constexpr int kKeyUp = 0x100 + 82;
// Media keys, of keyboards and headsets: 0x1000 plus their USB consumer
// usage. The keyboard usages for mute and volume arrive as these too.
constexpr int kKeyMediaNext = 0x1000 + 0xB5;
constexpr int kKeyMediaPrevious = 0x1000 + 0xB6;
constexpr int kKeyMediaStop = 0x1000 + 0xB7;
constexpr int kKeyMediaPlayPause = 0x1000 + 0xCD;
constexpr int kKeyMute = 0x1000 + 0xE2;
constexpr int kKeyVolumeUp = 0x1000 + 0xE9;
constexpr int kKeyVolumeDown = 0x1000 + 0xEA;

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
