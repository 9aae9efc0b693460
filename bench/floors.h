// Floors: the least work a stage can cost, measured as benchmarks of their own
// in the same run. A stage names the floors it stands beside and how many of
// each through counters, and the table divides its processor time by their sum.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

// The frame-sized floors, each over a 320 x 240 frame of 32-bit pixels.
enum class FrameFloor {
    Pass,           // one read-modify-write pass (BM_Floor_FramePass)
    Memcpy,         // one memcpy (BM_Floor_FrameMemcpy)
    TexelGather,    // one texel fetched from a 256 x 256 texture per pixel (BM_Floor_TexelGather)
    PaletteLookup,  // one 8-bit canvas through a palette (BM_Floor_PaletteLookup)
};
constexpr int kFrameFloorCount = 4;

struct FrameFloorNames {
    const char* benchmark;  // the floor's own benchmark
    const char* count;      // counter: how many of it a stage stands beside
    const char* beside;     // counter: its time measured right after the stage
    const char* shortName;  // in the table
};
const FrameFloorNames& frameFloorNames(FrameFloor floor);

// Reading the show's data files: a stage names a count of bytes.
constexpr const char* kFloorBytesRead = "floor_bytes_read";          // BM_Floor_ReadDataFiles, per byte
constexpr const char* kFloorReadBenchmarkBytes = "data_bytes_read";  // the bytes that floor reads

// How many of each frame floor a stage stands beside.
struct FrameFloors {
    double passes = 0;
    double memcpys = 0;
    double texelGathers = 0;
    double paletteLookups = 0;
};

// One of each frame floor. The machines we measure on are shared: a floor
// timed right after a stage sees the caches and clocks the stage saw, where
// one timed at the start of the run may not.
void framePass(uint32_t* frame);
void frameMemcpy(uint32_t* target, const uint32_t* source);
void texelGather(uint32_t* frame, const uint16_t* texelIndices, const uint32_t* texture);
void paletteLookup(uint32_t* frame, const uint8_t* canvas, const uint32_t* palette);
// Processor seconds of one of the floor, the best of a few rounds timed now.
double frameFloorSecondsNow(FrameFloor floor);

// Names the floors and times each one named right after the stage.
void compareWithFrameFloors(benchmark::State& state, const FrameFloors& floors);
inline void compareWithFramePasses(benchmark::State& state, double passes) {
    compareWithFrameFloors(state, FrameFloors{passes, 0, 0, 0});
}
inline void compareWithFrameMemcpys(benchmark::State& state, double copies) {
    compareWithFrameFloors(state, FrameFloors{0, copies, 0, 0});
}
inline void compareWithTexelGathers(benchmark::State& state, double gathers) {
    compareWithFrameFloors(state, FrameFloors{0, 0, gathers, 0});
}
inline void compareWithPaletteLookups(benchmark::State& state, double lookups) {
    compareWithFrameFloors(state, FrameFloors{0, 0, 0, lookups});
}
inline void compareWithReading(benchmark::State& state, double bytes) { state.counters[kFloorBytesRead] = bytes; }

}  // namespace bench
