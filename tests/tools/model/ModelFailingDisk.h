#pragma once

#include <cstdint>
#include <string>

#include "engine/faults/FailingFileSystem.h"

namespace kartei::tools::model {

// One run of the workload over a disk that fails one call.
struct TDiskFaultSettings {
    uint32_t Seed = 1;
    int64_t Operations = 300;
    bool ForceFlush = false;
    kartei::testing::TFaultKind Kind = kartei::testing::TFaultKind::Write;
    // The failing call of that kind, counted from 1; 0 fails none (to count the calls).
    int64_t FailAt = 0;
    // Every later call of the kind fails too, as a disk that has gone away.
    bool Sticky = false;
};

struct TDiskFaultOutcome {
    // Calls of the failing kind the run made.
    int64_t Calls = 0;
    // Empty when the table came through as it must; else what was wrong, and the run's last operations.
    std::string Problem;
};

// Runs the workload (planned for a failing disk, without checks on the way) on a table made in `folder`,
// with the disk failing as set, up to the first error the engine raises; closes everything. Then, on the
// real disk, `kartei verify` must pass, after `kartei repair` at most, and the table must hold exactly what
// the model held before the change under way or after it (a transaction and an exclusive batch count as
// one change), and agree with that model in every check of CheckTableAgainstModel.
TDiskFaultOutcome RunOverFailingDisk(const std::string& folder, const TDiskFaultSettings& settings);

// "seed 7, 300 operations, write call 41 and later, flushing every write".
std::string DiskFaultText(const TDiskFaultSettings& settings);

}  // namespace kartei::tools::model
