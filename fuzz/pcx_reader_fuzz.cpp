// Fuzzes the PCX reader: the first byte is forced to the PCX mark so that
// every input reaches it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (!bytes.empty()) bytes[0] = 10;
    loadPictureBytes(bytes.data(), bytes.size());
    return 0;
}
