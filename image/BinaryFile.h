// A stdio file owned for the length of one read or write: opened in the
// constructor, closed in the destructor. Failures to open or write throw
// DynamicError with the message the caller names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class BinaryFile {
public:
    BinaryFile(const char* name, const char* mode, const char* openFailure);
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    ~BinaryFile();

    // Reads up to bytes bytes; returns how many arrived.
    size_t read(void* into, size_t bytes);
    // Returns false when the position cannot be reached.
    bool seek(long offset, int whence);
    // The file's length in bytes, or -1 when it cannot be measured. Keeps the
    // current position.
    long size();

    void write(const void* from, size_t bytes, const char* failure);
    // Flushes and closes, throwing when data did not reach the file.
    void close(const char* failure);

private:
    FILE* file;
};

inline uint16_t littleEndian16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

inline void putLittleEndian16(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value & 0xff);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}
