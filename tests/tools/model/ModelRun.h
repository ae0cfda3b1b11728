#pragma once

#include <cstdint>
#include <string>

#include "tools/model/ModelWorkload.h"

namespace kartei::tools::model {

// How one seeded run ended.
struct TRunOutcome {
    bool Failed = false;
    int64_t Operations = 0;
    // For a failure: the seed and settings, the table's shape, what disagreed, the shortest run that still
    // fails, and the operations before it.
    std::string Report;
};

// Runs the workload in a scratch folder. With `shrink`, a failing run is run again cut off after fewer and
// fewer operations, to report the shortest that still fails.
TRunOutcome RunSeed(const TWorkloadSettings& settings, bool shrink);

// "seed 17, 800 operations, cut off after 230": the settings that reproduce a run.
std::string SettingsText(const TWorkloadSettings& settings);

}  // namespace kartei::tools::model
