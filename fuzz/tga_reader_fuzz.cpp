// Fuzzes the TGA reader. Inputs whose first byte is the PCX mark would go to
// the PCX reader instead, and are left to that reader's target.
#include <cstddef>
#include <cstdint>

#include "picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] == 10) return -1;
    loadPictureBytes(data, size);
    return 0;
}
