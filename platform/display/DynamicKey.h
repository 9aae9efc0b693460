// One key press read from a console.
#pragma once

#include "ptc.h"

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
