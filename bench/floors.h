// Floors: the least work a stage can cost, measured as benchmarks of their own
// in the same run. Each benchmark names the floor it stands beside through a
// counter, and the table divides its processor time by that floor's.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

// Counters naming a floor: the stage is compared with `count` times the floor.
constexpr const char* kFloorFramePasses = "floor_frame_passes";      // BM_Floor_FramePass
constexpr const char* kFloorFrameMemcpys = "floor_frame_memcpys";    // BM_Floor_FrameMemcpy
constexpr const char* kFloorBytesRead = "floor_bytes_read";          // BM_Floor_ReadDataFiles, per byte
constexpr const char* kFloorReadBenchmarkBytes = "data_bytes_read";  // the bytes that floor reads
constexpr const char* kFramePassBeside = "frame_pass_seconds";       // a frame pass timed beside the stage

// One read-modify-write pass over a 320 x 240 frame of 32-bit pixels.
void framePass(uint32_t* frame);
// Processor seconds of one frame pass, the best of a few rounds timed now.
// The machines we measure on are shared: a frame pass timed right after a
// stage sees the caches and clocks the stage saw, where one timed at the
// start of the run may not.
double framePassSecondsNow();

inline void compareWithFramePasses(benchmark::State& state, double passes) {
    state.counters[kFloorFramePasses] = passes;
    state.counters[kFramePassBeside] = framePassSecondsNow();
}
inline void compareWithFrameMemcpys(benchmark::State& state, double copies) {
    state.counters[kFloorFrameMemcpys] = copies;
}
inline void compareWithReading(benchmark::State& state, double bytes) { state.counters[kFloorBytesRead] = bytes; }

}  // namespace bench
