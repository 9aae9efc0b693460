#include "wav_writer.h"

#include <cerrno>
#include <stdexcept>

#include "output_files.h"

namespace {

void put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

WavWriter::WavWriter(const std::string& path, int sampleRate)
    : path(path), file(std::fopen(path.c_str(), "wb")), sampleRate(sampleRate) {
    if (!file) throw fileError("cannot create", path, errno);
    writeHeader();
}

WavWriter::~WavWriter() {
    if (file) std::fclose(file);
}

void WavWriter::writeHeader() {
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put32(header + 4, static_cast<uint32_t>(36 + dataBytes));
    put32(header + 16, 16);
    put16(header + 20, 1);  // PCM
    put16(header + 22, 2);  // stereo
    put32(header + 24, static_cast<uint32_t>(sampleRate));
    put32(header + 28, static_cast<uint32_t>(sampleRate * 4));
    put16(header + 32, 4);
    put16(header + 34, 16);
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    put32(header + 40, static_cast<uint32_t>(dataBytes));
    std::fseek(file, 0, SEEK_SET);
    std::fwrite(header, 1, sizeof header, file);
    std::fseek(file, 0, SEEK_END);
}

void WavWriter::write(const int16_t* samples, size_t frames) {
    // The samples are written as stored: little-endian on every platform we build for.
    size_t written = std::fwrite(samples, 4, frames, file);
    dataBytes += written * 4;
    if (written != frames) throw fileError("cannot write", path, errno);
}

void WavWriter::close() {
    writeHeader();
    bool failed = std::fflush(file) != 0 || std::ferror(file);
    int error = errno;
    if (std::fclose(file) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    file = nullptr;
    if (failed) throw fileError("cannot write", path, error);
}
