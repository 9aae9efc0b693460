// peekstun-bench: every stage of the show beside a floor measured in the same
// run, printed as one table. Options besides Google Benchmark's own:
//   --json FILE   also write the figures to FILE
//   --data DIR    the directory holding data/ (default: the working directory,
//                 else the build directory)
// Each benchmark runs three times (--benchmark_repetitions=N to change it) and
// the table shows its best run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "floor_table.h"

int main(int argc, char** argv) {
    std::string jsonPath;
    std::string dataDir;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--json") == 0 && hasValue) {
            jsonPath = std::filesystem::absolute(argv[++i]).string();
        } else if (std::strcmp(argv[i], "--data") == 0 && hasValue) {
            dataDir = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (dataDir.empty() && !std::filesystem::exists("data/music/peekstun.xm")) dataDir = PEEKSTUN_BENCH_DATA_DIR;
    if (!dataDir.empty() && chdir(dataDir.c_str()) != 0) {
        std::fprintf(stderr, "peekstun-bench: cannot enter %s\n", dataDir.c_str());
        return 2;
    }

    // Three repetitions unless asked otherwise; the table keeps each one's best.
    bool repetitionsGiven = false;
    for (const char* arg : rest) repetitionsGiven |= std::strncmp(arg, "--benchmark_repetitions", 23) == 0;
    std::string defaultRepetitions = "--benchmark_repetitions=3";
    if (!repetitionsGiven) rest.push_back(defaultRepetitions.data());

    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 2;
    FloorTableReporter table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    if (!jsonPath.empty() && !table.writeJson(jsonPath)) {
        std::fprintf(stderr, "peekstun-bench: cannot write %s\n", jsonPath.c_str());
        return 1;
    }
    return 0;
}
