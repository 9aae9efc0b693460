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

inline void compareWithFramePasses(benchmark::State& state, double passes) {
    state.counters[kFloorFramePasses] = passes;
}
inline void compareWithFrameMemcpys(benchmark::State& state, double copies) {
    state.counters[kFloorFrameMemcpys] = copies;
}
inline void compareWithReading(benchmark::State& state, double bytes) { state.counters[kFloorBytesRead] = bytes; }

}  // namespace bench
