#include "image/BinaryFile.h"

#include <sys/stat.h>

#include "platform/display/DynamicError.h"

// A directory opens for reading but holds no file: it counts as missing.
BinaryFile::BinaryFile(const char* name, const char* mode, const char* openFailure)
    : file(name ? std::fopen(name, mode) : nullptr) {
    if (!file) throw DynamicError(openFailure);
    struct stat status;
    if (fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file);
        file = nullptr;
        throw DynamicError(openFailure);
    }
}

BinaryFile::~BinaryFile() {
    if (file) std::fclose(file);
}

size_t BinaryFile::read(void* into, size_t bytes) { return bytes ? std::fread(into, 1, bytes, file) : 0; }

bool BinaryFile::seek(long offset, int whence) { return std::fseek(file, offset, whence) == 0; }

long BinaryFile::size() {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0) return -1;
    return end;
}

void BinaryFile::write(const void* from, size_t bytes, const char* failure) {
    if (bytes && std::fwrite(from, 1, bytes, file) != bytes) throw DynamicError(failure);
}

void BinaryFile::close(const char* failure) {
    FILE* closing = file;
    file = nullptr;
    if (std::fclose(closing) != 0) throw DynamicError(failure);
}
