// A 16-bit stereo WAV file written as samples arrive; the header's sizes are
// filled in when it is closed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
public:
    WavWriter(const std::string& path, int sampleRate);
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter();

    void write(const int16_t* samples, size_t frames);
    // Completes the header; throws std::runtime_error when the file is short.
    void close();

private:
    void writeHeader();

    std::string path;
    FILE* file;
    int sampleRate;
    uint64_t dataBytes = 0;
};
