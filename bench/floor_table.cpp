#include "floor_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

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

// The floors a row stands beside, as "2 pass + 1 gather" or "1.1e+06 bytes read".
std::string floorText(const FloorTableReporter::Row& row) {
    if (row.failed || row.floors.empty()) return "-";
    std::string text;
    for (const FloorTableReporter::Row::FloorTerm& term : row.floors) {
        std::string what = "bytes read";
        for (int i = 0; i < bench::kFrameFloorCount; ++i) {
            const bench::FrameFloorNames& floor = bench::frameFloorNames(static_cast<bench::FrameFloor>(i));
            if (term.name == floor.benchmark) what = floor.shortName;
        }
        text += (text.empty() ? "" : " + ") + formatCount(term.count) + " " + what;
    }
    return text;
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
        // Terms in the floors' own order, the data files' last.
        std::vector<Row::FloorTerm> terms(bench::kFrameFloorCount + 1);
        for (int i = 0; i < bench::kFrameFloorCount; ++i) {
            terms[i].name = bench::frameFloorNames(static_cast<bench::FrameFloor>(i)).benchmark;
        }
        terms.back().name = "BM_Floor_ReadDataFiles";
        for (const auto& [name, counter] : run.counters) {
            bool named = false;
            for (int i = 0; i < bench::kFrameFloorCount; ++i) {
                const bench::FrameFloorNames& floor = bench::frameFloorNames(static_cast<bench::FrameFloor>(i));
                if (name == floor.count) terms[i].count = counter.value;
                if (name == floor.beside) terms[i].besideSeconds = counter.value;
                named |= name == floor.count || name == floor.beside;
            }
            if (name == bench::kFloorBytesRead) {
                terms.back().count = counter.value;
            } else if (!named) {
                row.counters.emplace_back(name, counter.value);
            }
        }
        for (const Row::FloorTerm& term : terms) {
            if (term.count > 0) row.floors.push_back(term);
        }
        // Repetitions of a benchmark keep its best run: on a shared machine
        // the slower ones measure the neighbours, not the code.
        const auto same = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == row.name; });
        if (same == rows.end()) {
            rows.push_back(row);
            std::fprintf(stderr, "  %s\n", row.name.c_str());
        } else {
            // The floors beside it keep their best too (0: not measured).
            const std::vector<Row::FloorTerm> kept = same->floors;
            if (!row.failed && (same->failed || row.cpuSeconds < same->cpuSeconds)) *same = row;
            for (Row::FloorTerm& term : same->floors) {
                for (const Row::FloorTerm& other : kept) {
                    if (other.name != term.name) continue;
                    const double a = term.besideSeconds;
                    const double b = other.besideSeconds;
                    term.besideSeconds = a > 0 && b > 0 ? std::min(a, b) : std::max(a, b);
                }
            }
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
        // A floor timed beside the row is the truer one.
        row.floorSeconds = 0;
        for (const Row::FloorTerm& term : row.floors) {
            const auto floor = floorSeconds.find(term.name);
            const double each = term.besideSeconds > 0        ? term.besideSeconds
                                : floor != floorSeconds.end() ? floor->second
                                                              : 0;
            if (each <= 0) {
                row.floorSeconds = 0;
                break;
            }
            row.floorSeconds += term.count * each;
        }
    }
}

void FloorTableReporter::Finalize() {
    settleFloors();
    size_t nameWidth = 9;
    size_t floorWidth = 5;
    for (const Row& row : rows) {
        nameWidth = std::max(nameWidth, row.name.size());
        floorWidth = std::max(floorWidth, floorText(row).size());
    }

    FILE* out = stdout;
    std::fprintf(out, "%-*s %12s  %-*s %12s %8s  %s\n", int(nameWidth), "Benchmark", "CPU/iter", int(floorWidth),
                 "Floor", "Floor time", "Ratio", "Notes");
    std::fprintf(out, "%s\n", std::string(nameWidth + floorWidth + 52, '-').c_str());
    for (const Row& row : rows) {
        if (row.failed) {
            std::fprintf(out, "%-*s %12s  skipped: %s\n", int(nameWidth), row.name.c_str(), "-", row.error.c_str());
            continue;
        }
        const std::string floor = floorText(row);
        std::string ratio = "-";
        if (row.floorSeconds > 0) ratio = formatCount(row.cpuSeconds / row.floorSeconds);
        std::string notes = row.label;
        for (const auto& [name, value] : row.counters) {
            if (name == "bytes_per_second") continue;
            notes += (notes.empty() ? "" : " ") + name + "=" + formatCount(value);
        }
        std::fprintf(out, "%-*s %12s  %-*s %12s %8s  %s\n", int(nameWidth), row.name.c_str(),
                     formatSeconds(row.cpuSeconds).c_str(), int(floorWidth), floor.c_str(),
                     formatSeconds(row.floorSeconds).c_str(), ratio.c_str(), notes.c_str());
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
            if (!row.floors.empty()) {
                std::fprintf(out, ", \"floors\": {");
                for (size_t f = 0; f < row.floors.size(); ++f) {
                    std::fprintf(out, "%s%s: %.9g", f ? ", " : "", quoted(row.floors[f].name).c_str(),
                                 row.floors[f].count);
                }
                std::fprintf(out, "}");
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
