// engine_bench: builds the same City/AreaCode store in our engine and in SQLite and times the tool's
// workloads on both (see README.md). Own options, the rest go to Google Benchmark:
//   --sizes=shipped,100000,1000000   which stores (default: shipped,100000)
//   --quick                          one short repetition per benchmark (the CI smoke run)
//   --results=FILE                   also write the Markdown report to FILE
//   --no-memory                      skip the peak-memory measurements
//   --no-check                       profiling: skip the check that both engines read the same records
//                                    and the typed-search latency pass
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "bench/KarteiStore.h"
#include "bench/PeakMemory.h"
#include "bench/Results.h"
#include "bench/SqliteStore.h"

namespace kartei::bench {
namespace {

constexpr int kScreen = 17;

struct TOptions {
    std::vector<std::string> Sizes{"shipped", "100000"};
    bool Quick = false;
    bool Memory = true;
    bool Check = true;
    std::string ResultsFile;
    std::string Settings = "engine_bench";
};

// Everything one size needs while the benchmarks run.
struct TSizeRun {
    TBenchRows Rows;
    TWorkloadInputs Inputs;
    std::filesystem::path Folder;
    std::unique_ptr<TStore> Stores[4];

    TStore& Store(TSide side) { return *Stores[static_cast<int>(side)]; }
    std::string KarteiFolder() const { return (Folder / "kartei").string(); }
    std::string SqliteFile() const { return (Folder / "sqlite.db").string(); }
};

std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "engine_bench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

bool IsOurs(TSide side) {
    return side == TSide::OursShared || side == TSide::OursExclusive;
}

bool IsExclusive(TSide side) {
    return side == TSide::OursExclusive || side == TSide::SqliteExclusive;
}

// Builds a fresh store of one side in `folder` (removed first).
void BuildSide(TSide side, const TBenchRows& rows, const std::filesystem::path& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    if (IsOurs(side)) {
        BuildKartei(folder.string(), rows, IsExclusive(side));
    } else {
        BuildSqlite((folder / "sqlite.db").string(), rows, IsExclusive(side));
    }
}

// One pass of workloads 1 to 7; the records read by each.
std::vector<int64_t> OnePass(TStore& store) {
    std::vector<int64_t> counts;
    counts.push_back(store.OpenAndReadFirst(kScreen));
    store.Open();
    int64_t read = 0;
    for (size_t k = 0; k < 200; ++k) {
        read += store.TypedSearch(k, kScreen);
    }
    counts.push_back(read);
    read = 0;
    for (size_t k = 0; k < 10000; ++k) {
        read += store.DetailCodes(k);
    }
    counts.push_back(read);
    read = 0;
    for (size_t k = 0; k < 100; ++k) {
        read += store.PointLookup(k);
    }
    counts.push_back(read);
    counts.push_back(store.FullScan());
    counts.push_back(store.CountBetween());
    // The count leaves our cursor ranged; the jumps want the whole order.
    store.Close();
    store.Open();
    read = 0;
    for (size_t k = 0; k < 100; ++k) {
        read += store.JumpAndRead(k, kScreen);
    }
    counts.push_back(read);
    store.Close();
    return counts;
}

// Both engines must read the same number of records in every workload, or the comparison is void.
void CheckAgreement(TSizeRun& run) {
    const std::vector<int64_t> expected = OnePass(run.Store(TSide::SqliteDefault));
    for (const TSide side : kSides) {
        const std::vector<int64_t> counts = OnePass(run.Store(side));
        for (size_t w = 0; w < counts.size(); ++w) {
            if (counts[w] != expected[w]) {
                throw std::runtime_error("size " + run.Rows.Label + ", workload " + std::to_string(w + 1) +
                                         ": " + SideName(side) + " read " + std::to_string(counts[w]) +
                                         " records, SQLite " + std::to_string(expected[w]));
            }
        }
    }
}

// Timed passes over every prefix for the keystroke percentile: 5,000 keystrokes, so that the 99th
// percentile is the 50th slowest, not the 10th, which a single burst of other work on the machine decides.
constexpr int kKeystrokePasses = 25;

// The 99th percentile of single typed searches (each prefix, kKeystrokePasses after a warm-up pass).
double TypedSearchP99(TStore& store) {
    store.Open();
    for (size_t k = 0; k < 200; ++k) {
        store.TypedSearch(k, kScreen);
    }
    std::vector<double> seconds;
    for (int pass = 0; pass < kKeystrokePasses; ++pass) {
        for (size_t k = 0; k < 200; ++k) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(store.TypedSearch(k, kScreen));
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    store.Close();
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() * 99 / 100];
}

void Register(TSizeRun& run, const TOptions& options) {
    const std::string& size = run.Rows.Label;
    const bool huge = run.Rows.Cities.size() >= 1000000;
    const auto finish = [&](benchmark::internal::Benchmark* benchmark, bool build) {
        benchmark->UseRealTime()->Unit(benchmark::kMicrosecond);
        if (build) {
            benchmark->Iterations(1)->Repetitions(options.Quick || huge ? 1 : 3);
        } else {
            benchmark->MinTime(options.Quick ? 0.001 : 0.3)->Repetitions(options.Quick ? 1 : 5);
        }
        if (!options.Quick) {
            benchmark->ReportAggregatesOnly(true);
        }
    };
    for (const TSide side : kSides) {
        TStore* store = &run.Store(side);
        const auto name = [&](int workload) { return BenchmarkName(workload, size, side); };
        finish(
            benchmark::RegisterBenchmark(name(1).c_str(),
                                         [store](benchmark::State& state) {
                                             for (auto _ : state) {
                                                 benchmark::DoNotOptimize(store->OpenAndReadFirst(kScreen));
                                             }
                                         }),
            false);
        // Workloads 2 to 7 run on an open store; each opens its own so that none inherits another's state.
        const auto opened = [store](auto body) {
            return [store, body](benchmark::State& state) {
                store->Open();
                size_t k = 0;
                for (auto _ : state) {
                    benchmark::DoNotOptimize(body(*store, k));
                    k = (k + 1) % 4096;
                }
                store->Close();
            };
        };
        finish(benchmark::RegisterBenchmark(name(2).c_str(), opened([](TStore& s, size_t) {
                                                int64_t read = 0;
                                                for (size_t k = 0; k < 200; ++k) {
                                                    read += s.TypedSearch(k, kScreen);
                                                }
                                                return read;
                                            })),
               false);
        finish(benchmark::RegisterBenchmark(name(3).c_str(), opened([](TStore& s, size_t) {
                                                int64_t read = 0;
                                                for (size_t k = 0; k < 10000; ++k) {
                                                    read += s.DetailCodes(k);
                                                }
                                                return read;
                                            })),
               false);
        finish(benchmark::RegisterBenchmark(name(4).c_str(),
                                            opened([](TStore& s, size_t k) { return s.PointLookup(k); })),
               false);
        finish(benchmark::RegisterBenchmark(name(5).c_str(),
                                            opened([](TStore& s, size_t) { return s.FullScan(); })),
               false);
        finish(benchmark::RegisterBenchmark(name(6).c_str(),
                                            opened([](TStore& s, size_t) { return s.CountBetween(); })),
               false);
        finish(benchmark::RegisterBenchmark(
                   name(7).c_str(), opened([](TStore& s, size_t k) { return s.JumpAndRead(k, kScreen); })),
               false);
        const std::filesystem::path scratch = run.Folder / ("build-" + std::string(SideName(side)));
        const TBenchRows* rows = &run.Rows;
        finish(benchmark::RegisterBenchmark(name(8).c_str(),
                                            [side, rows, scratch](benchmark::State& state) {
                                                for (auto _ : state) {
                                                    BuildSide(side, *rows, scratch);
                                                }
                                                std::filesystem::remove_all(scratch);
                                            }),
               true);
    }
}

TOptions ParseOptions(int& argc, char** argv) {
    TOptions options;
    int kept = 1;
    for (int k = 1; k < argc; ++k) {
        const std::string argument = argv[k];
        if (argument.rfind("--sizes=", 0) == 0) {
            options.Sizes.clear();
            std::stringstream list(argument.substr(8));
            for (std::string size; std::getline(list, size, ',');) {
                options.Sizes.push_back(size);
            }
        } else if (argument == "--quick") {
            options.Quick = true;
        } else if (argument == "--no-check") {
            options.Check = false;
        } else if (argument == "--no-memory") {
            options.Memory = false;
        } else if (argument.rfind("--results=", 0) == 0) {
            options.ResultsFile = argument.substr(10);
            continue;
        } else {
            argv[kept++] = argv[k];
            continue;
        }
        options.Settings += " " + argument;
    }
    argc = kept;
    return options;
}

int Main(int argc, char** argv) {
    TOptions options = ParseOptions(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::vector<std::unique_ptr<TSizeRun>> runs;
    std::vector<TSizeNotes> notes;
    for (const std::string& size : options.Sizes) {
        auto run = std::make_unique<TSizeRun>();
        run->Rows = size == "shipped" ? ShippedRows(NUMMERIX_CODES_CSV) : GeneratedRows(std::stoi(size));
        run->Inputs = MakeInputs(run->Rows);
        run->Folder = MakeTempFolder();
        std::cerr << "size " << run->Rows.Label << ": " << run->Rows.Cities.size() << " cities, "
                  << run->Rows.Codes.size() << " codes in " << run->Folder << "\n";
        std::filesystem::create_directories(run->KarteiFolder());
        BuildKartei(run->KarteiFolder(), run->Rows, true);
        BuildSqlite(run->SqliteFile(), run->Rows, false);
        for (const TSide side : kSides) {
            const bool exclusive = IsExclusive(side);
            run->Stores[static_cast<int>(side)] =
                IsOurs(side) ? std::unique_ptr<TStore>(std::make_unique<TKarteiStore>(run->KarteiFolder(),
                                                                                      exclusive, run->Inputs))
                             : std::make_unique<TSqliteStore>(run->SqliteFile(), exclusive, run->Inputs);
        }
        if (options.Check) {
            CheckAgreement(*run);
        }

        TSizeNotes note;
        note.Size = run->Rows.Label;
        note.Cities = static_cast<int64_t>(run->Rows.Cities.size());
        note.Codes = static_cast<int64_t>(run->Rows.Codes.size());
        if (options.Memory) {
            const std::filesystem::path scratch = run->Folder / "memory";
            note.OursBuildPeak = PeakRssGrowth([&] { BuildSide(TSide::OursShared, run->Rows, scratch); });
            note.SqliteBuildPeak =
                PeakRssGrowth([&] { BuildSide(TSide::SqliteDefault, run->Rows, scratch); });
            std::filesystem::remove_all(scratch);
            note.OursQueryPeak = PeakRssGrowth([&] { OnePass(run->Store(TSide::OursShared)); });
            note.SqliteQueryPeak = PeakRssGrowth([&] { OnePass(run->Store(TSide::SqliteDefault)); });
        }
        notes.push_back(std::move(note));
        Register(*run, options);
        runs.push_back(std::move(run));
    }

    TMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (size_t k = 0; k < runs.size() && options.Check; ++k) {
        for (const TSide side : kSides) {
            notes[k].TypedSearchP99[side] = TypedSearchP99(runs[k]->Store(side));
        }
    }
    const std::string report = MarkdownReport(reporter, notes, options.Settings);
    std::cout << "\n" << report;
    if (!options.ResultsFile.empty()) {
        std::ofstream(options.ResultsFile) << report;
    }
    for (auto& run : runs) {
        for (auto& store : run->Stores) {
            store.reset();
        }
        std::filesystem::remove_all(run->Folder);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace
}  // namespace kartei::bench

int main(int argc, char** argv) {
    try {
        return kartei::bench::Main(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "engine_bench: " << error.what() << "\n";
        return 1;
    }
}
