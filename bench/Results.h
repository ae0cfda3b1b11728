#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kartei::bench {

// The four sides of every comparison, in table order.
enum class TSide { OursShared, SqliteDefault, OursExclusive, SqliteExclusive };
const char* SideName(TSide side);
constexpr TSide kSides[] = {TSide::OursShared, TSide::SqliteDefault, TSide::OursExclusive,
                            TSide::SqliteExclusive};

// Benchmark names are "w<workload>/<size>/<side>".
std::string BenchmarkName(int workload, const std::string& size, TSide side);

// Prints as the console reporter does and keeps each benchmark's median time per iteration (seconds);
// with a single repetition, that repetition's time.
class TMedianReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Seconds, or a negative value when the benchmark did not run.
    double Median(const std::string& name) const;

private:
    std::map<std::string, double> medians_;
};

// What one size adds to the report besides the timings.
struct TSizeNotes {
    std::string Size;
    int64_t Cities = 0, Codes = 0;
    // Peak RSS growth in bytes (-1: not measured).
    int64_t OursBuildPeak = -1, SqliteBuildPeak = -1, OursQueryPeak = -1, SqliteQueryPeak = -1;
    // 99th percentile of one typed search (workload 2, one prefix), seconds, per side.
    std::map<TSide, double> TypedSearchP99;
};

// The Markdown report: the machine, the ratio table, memory and typed-search latency.
std::string MarkdownReport(const TMedianReporter& reporter, const std::vector<TSizeNotes>& sizes,
                           const std::string& settings);

}  // namespace kartei::bench
