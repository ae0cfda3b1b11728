#include "bench/Results.h"

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace kartei::bench {
namespace {

constexpr const char* kWorkloads[] = {
    "",
    "1 open + first 17",
    "2 typed search, 200 prefixes × 17",
    "3 master/detail, 10,000 ranges",
    "4 point lookup by id",
    "5 full scan in City order",
    "6 count between two keys",
    "7 jump to k-th + 17",
    "8 build both tables",
};

std::string Duration(double seconds) {
    char text[32];
    if (seconds < 0) {
        return "–";
    }
    if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.2f µs", seconds * 1e6);
    } else if (seconds < 1) {
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    }
    return text;
}

std::string Ratio(double sqlite, double ours) {
    if (sqlite < 0 || ours <= 0) {
        return "–";
    }
    char text[32];
    const double ratio = sqlite / ours;
    std::snprintf(text, sizeof text, ratio >= 1 ? "**%.2f**" : "%.2f", ratio);
    return text;
}

std::string Megabytes(int64_t bytes) {
    if (bytes < 0) {
        return "–";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string CommandOutput(const char* command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command, "r"), pclose);
    std::string output;
    if (!pipe) {
        return output;
    }
    std::array<char, 512> chunk;
    while (std::fgets(chunk.data(), chunk.size(), pipe.get())) {
        output += chunk.data();
    }
    return output;
}

std::string Machine() {
    std::ostringstream out;
    out << "```\n"
        << CommandOutput(
               "lscpu | grep -E '^(Architecture|Model name|CPU\\(s\\)|Thread|Core|Socket|CPU max MHz|"
               "L1d|L2|L3)' 2>/dev/null")
        << CommandOutput("grep MemTotal /proc/meminfo") << "Compiler:            g++ " << __VERSION__ << "\n"
        << "SQLite:              " << sqlite3_libversion() << "\n"
        << "Kernel:              " << CommandOutput("uname -sr") << "```\n";
    return out.str();
}

}  // namespace

const char* SideName(TSide side) {
    switch (side) {
        case TSide::OursShared:
            return "ours-shared";
        case TSide::SqliteDefault:
            return "sqlite-default";
        case TSide::OursExclusive:
            return "ours-exclusive";
        case TSide::SqliteExclusive:
            return "sqlite-exclusive";
    }
    return "";
}

std::string BenchmarkName(int workload, const std::string& size, TSide side) {
    return "w" + std::to_string(workload) + "/" + size + "/" + SideName(side);
}

void TMedianReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            medians_[run.run_name.function_name] = seconds;
        } else if (run.run_type == Run::RT_Iteration && !medians_.count(run.run_name.function_name)) {
            medians_[run.run_name.function_name] = seconds;
        }
    }
    ConsoleReporter::ReportRuns(runs);
}

double TMedianReporter::Median(const std::string& name) const {
    const auto found = medians_.find(name);
    return found == medians_.end() ? -1 : found->second;
}

std::string MarkdownReport(const TMedianReporter& reporter, const std::vector<TSizeNotes>& sizes,
                           const std::string& settings) {
    std::ostringstream out;
    out << "# Table engine against SQLite\n\n"
        << "Median wall time per iteration; ratio = SQLite time / our time (above 1, in bold: ours is "
           "faster). Shared is compared with SQLite's default locking, exclusive with SQLite's exclusive "
           "locking mode.\n\nRun: `"
        << settings << "`\n\n## Machine\n\n"
        << Machine() << "\n## Times\n\n"
        << "| Workload | Size | ours shared | SQLite default | ratio | ours exclusive | SQLite exclusive | "
           "ratio |\n|---|---|---:|---:|---:|---:|---:|---:|\n";
    for (int workload = 1; workload <= 8; ++workload) {
        for (const TSizeNotes& size : sizes) {
            double times[4];
            for (int side = 0; side < 4; ++side) {
                times[side] = reporter.Median(BenchmarkName(workload, size.Size, kSides[side]));
            }
            out << "| " << kWorkloads[workload] << " | " << size.Size << " | " << Duration(times[0]) << " | "
                << Duration(times[1]) << " | " << Ratio(times[1], times[0]) << " | " << Duration(times[2])
                << " | " << Duration(times[3]) << " | " << Ratio(times[3], times[2]) << " |\n";
        }
    }
    out << "\n## Typed search: one keystroke (workload 2, one prefix + 17 records), 99th percentile\n\n"
        << "| Size | ours shared | SQLite default | ours exclusive | SQLite exclusive "
           "|\n|---|---:|---:|---:|---:|\n";
    for (const TSizeNotes& size : sizes) {
        out << "| " << size.Size;
        for (const TSide side : kSides) {
            const auto found = size.TypedSearchP99.find(side);
            out << " | " << Duration(found == size.TypedSearchP99.end() ? -1 : found->second);
        }
        out << " |\n";
    }
    out << "\n## Peak memory\n\nGrowth of the resident set at its peak (VmHWM after resetting it, minus "
           "VmRSS "
           "before), in a forked child per measurement. Build: both tables built from the rows held in "
           "memory "
           "(ours shared, in one transaction; SQLite default). Queries: the built store opened and "
           "workloads 1 to 7 run once each (ours shared, SQLite default). The kernel's file cache is not "
           "counted on either side.\n\n"
        << "| Size | cities | codes | ours build | SQLite build | ours queries | SQLite queries |\n"
           "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const TSizeNotes& size : sizes) {
        out << "| " << size.Size << " | " << size.Cities << " | " << size.Codes << " | "
            << Megabytes(size.OursBuildPeak) << " | " << Megabytes(size.SqliteBuildPeak) << " | "
            << Megabytes(size.OursQueryPeak) << " | " << Megabytes(size.SqliteQueryPeak) << " |\n";
    }
    return out.str();
}

}  // namespace kartei::bench
