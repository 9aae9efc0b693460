// The benchmark program's report: one table, every benchmark's processor time
// per iteration beside the floor it names (floors.h) and the ratio of the two,
// and optionally the same figures as a JSON file for comparing versions.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

class FloorTableReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    // Prints the table once every run is in, since floors may run last.
    void Finalize() override;

    // Writes the figures of the table; false when the file cannot be written.
    bool writeJson(const std::string& path) const;

    struct Row {
        std::string name;
        std::string label;
        bool failed = false;
        std::string error;
        double iterations = 0;
        double cpuSeconds = 0;   // per iteration
        double realSeconds = 0;  // per iteration
        // The floors it stands beside: each floor benchmark's name, how many
        // of it, and its time measured right after the row (0: not measured).
        struct FloorTerm {
            std::string name;
            double count = 0;
            double besideSeconds = 0;
        };
        std::vector<FloorTerm> floors;
        double floorSeconds = 0;                               // the sum of the terms' times, 0 when unmeasured
        std::vector<std::pair<std::string, double>> counters;  // the others
    };

private:
    void settleFloors();

    std::vector<Row> rows;
    std::vector<double> loadAverage;
    int cpuCount = 0;
    bool settled = false;
};
