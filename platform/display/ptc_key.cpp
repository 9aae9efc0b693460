// Keys: one press read from a console.
#include "platform/display/ptc_objects.h"

PTC_KEY ptc_key_create() { return new ptc_key_t; }

void ptc_key_destroy(PTC_KEY key) { delete key; }

int ptc_key_code(PTC_KEY key) {
    requireHandle(key, "ptc_key_code");
    return key->code;
}
