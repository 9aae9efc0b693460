#include "floor_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "floors.h"

namespace {

// Processor and wall time per iteration in seconds.
double perIteration(double adjusted, benchmark::TimeUnit unit) {
    return adjusted / benchmark::GetTimeUnitMultiplier(unit);
}

std::string formatSeconds(double seconds) {
    char text[32];
    if (seconds <= 0) return "-";
    if (seconds < 1e-6) {
        std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
    } else if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
    } else if (seconds < 1) {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    }
    return text;
}

std::string formatCount(double value) {
    char text[32];
    if (std::fabs(value) >= 1e6 || (value != 0 && std::fabs(value) < 1e-2)) {
        std::snprintf(text, sizeof text, "%.3g", value);
    } else if (value == std::floor(value)) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.3f", value);
    }
    return text;
}

// JSON string contents: names and labels are plain, but quote what needs it.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}

}  // namespace

bool FloorTableReporter::ReportContext(const Context& context) {
    cpuCount = context.cpu_info.num_cpus;
    loadAverage = context.cpu_info.load_avg;
    std::fprintf(stderr, "peekstun-bench: %d processors, load", cpuCount);
    for (double load : loadAverage) std::fprintf(stderr, " %.2f", load);
    std::fprintf(stderr, "; running...\n");
    return true;
}

void FloorTableReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration) continue;
        Row row;
        row.name = run.benchmark_name();
        row.label = run.report_label;
        row.failed = run.error_occurred;
        row.error = run.error_message;
        row.iterations = static_cast<double>(run.iterations);
        row.cpuSeconds = perIteration(run.GetAdjustedCPUTime(), run.time_unit);
        row.realSeconds = perIteration(run.GetAdjustedRealTime(), run.time_unit);
        for (const auto& [name, counter] : run.counters) {
            if (name == bench::kFloorFramePasses) {
                row.floorName = "BM_Floor_FramePass";
                row.floorCount = counter.value;
            } else if (name == bench::kFloorFrameMemcpys) {
                row.floorName = "BM_Floor_FrameMemcpy";
                row.floorCount = counter.value;
            } else if (name == bench::kFramePassBeside) {
                row.framePassBeside = counter.value;
            } else if (name == bench::kFloorBytesRead) {
                row.floorName = "BM_Floor_ReadDataFiles";
                row.floorCount = counter.value;
            } else {
                row.counters.emplace_back(name, counter.value);
            }
        }
        // Repetitions of a benchmark keep its best run: on a shared machine
        // the slower ones measure the neighbours, not the code.
        const auto same = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == row.name; });
        if (same == rows.end()) {
            rows.push_back(row);
            std::fprintf(stderr, "  %s\n", row.name.c_str());
        } else {
            // The floor beside it keeps its best too (0: not measured).
            const double kept = same->framePassBeside;
            const double besideFloor = kept > 0 && row.framePassBeside > 0 ? std::min(kept, row.framePassBeside)
                                                                           : std::max(kept, row.framePassBeside);
            if (!row.failed && (same->failed || row.cpuSeconds < same->cpuSeconds)) *same = row;
            same->framePassBeside = besideFloor;
        }
    }
}

// The floor rows' times, and the bytes the read floor covers, give each
// row's floor time.
void FloorTableReporter::settleFloors() {
    if (settled) return;
    settled = true;
    std::map<std::string, double> floorSeconds;
    double readBytes = 0;
    for (const Row& row : rows) {
        if (row.failed || row.name.rfind("BM_Floor_", 0) != 0) continue;
        floorSeconds[row.name] = row.cpuSeconds;
        for (const auto& [name, value] : row.counters) {
            if (name == bench::kFloorReadBenchmarkBytes) readBytes = value;
        }
    }
    if (readBytes > 0) floorSeconds["BM_Floor_ReadDataFiles"] /= readBytes;  // per byte
    for (Row& row : rows) {
        // A frame pass timed beside the row is the truer floor.
        if (row.floorName == "BM_Floor_FramePass" && row.framePassBeside > 0) {
            row.floorSeconds = row.floorCount * row.framePassBeside;
            continue;
        }
        const auto floor = floorSeconds.find(row.floorName);
        if (floor != floorSeconds.end()) row.floorSeconds = row.floorCount * floor->second;
    }
}

void FloorTableReporter::Finalize() {
    settleFloors();
    size_t nameWidth = 9;
    for (const Row& row : rows) nameWidth = std::max(nameWidth, row.name.size());

    FILE* out = stdout;
    std::fprintf(out, "%-*s %12s  %-28s %12s %8s  %s\n", int(nameWidth), "Benchmark", "CPU/iter", "Floor", "Floor time",
                 "Ratio", "Notes");
    std::fprintf(out, "%s\n", std::string(nameWidth + 80, '-').c_str());
    for (const Row& row : rows) {
        if (row.failed) {
            std::fprintf(out, "%-*s %12s  skipped: %s\n", int(nameWidth), row.name.c_str(), "-", row.error.c_str());
            continue;
        }
        std::string floor = "-";
        if (!row.floorName.empty()) {
            floor = formatCount(row.floorCount) + (row.floorName == "BM_Floor_ReadDataFiles" ? " bytes read" : " x ") +
                    (row.floorName == "BM_Floor_ReadDataFiles" ? "" : row.floorName.substr(9));
        }
        std::string ratio = "-";
        if (row.floorSeconds > 0) ratio = formatCount(row.cpuSeconds / row.floorSeconds);
        std::string notes = row.label;
        for (const auto& [name, value] : row.counters) {
            if (name == "bytes_per_second") continue;
            notes += (notes.empty() ? "" : " ") + name + "=" + formatCount(value);
        }
        std::fprintf(out, "%-*s %12s  %-28s %12s %8s  %s\n", int(nameWidth), row.name.c_str(),
                     formatSeconds(row.cpuSeconds).c_str(), floor.c_str(), formatSeconds(row.floorSeconds).c_str(),
                     ratio.c_str(), notes.c_str());
    }
    std::fflush(out);
}

bool FloorTableReporter::writeJson(const std::string& path) const {
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fprintf(out, "{\n  \"processors\": %d,\n  \"load_average\": [", cpuCount);
    for (size_t i = 0; i < loadAverage.size(); ++i) std::fprintf(out, "%s%.2f", i ? ", " : "", loadAverage[i]);
    std::fprintf(out, "],\n  \"benchmarks\": [\n");
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        std::fprintf(out, "    {\"name\": %s, ", quoted(row.name).c_str());
        if (row.failed) {
            std::fprintf(out, "\"skipped\": %s}", quoted(row.error).c_str());
        } else {
            std::fprintf(out, "\"iterations\": %.0f, \"cpu_seconds\": %.9g, \"real_seconds\": %.9g", row.iterations,
                         row.cpuSeconds, row.realSeconds);
            if (!row.floorName.empty()) {
                std::fprintf(out, ", \"floor\": %s, \"floor_count\": %.9g", quoted(row.floorName).c_str(),
                             row.floorCount);
            }
            if (row.floorSeconds > 0) {
                std::fprintf(out, ", \"floor_seconds\": %.9g, \"ratio\": %.6g", row.floorSeconds,
                             row.cpuSeconds / row.floorSeconds);
            }
            if (!row.label.empty()) std::fprintf(out, ", \"label\": %s", quoted(row.label).c_str());
            for (const auto& [name, value] : row.counters) std::fprintf(out, ", %s: %.9g", quoted(name).c_str(), value);
            std::fprintf(out, "}");
        }
        std::fprintf(out, "%s\n", i + 1 < rows.size() ? "," : "");
    }
    std::fprintf(out, "  ]\n}\n");
    return std::fclose(out) == 0;
}
