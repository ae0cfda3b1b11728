#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kartei::tools::model {

// Which seeds a randomised test runs, from the environment:
//   KARTEI_MODEL_SEED=S      that one seed, nothing else (to reproduce a report);
//   KARTEI_MODEL_SEEDS=N     N seeds;
//   KARTEI_MODEL_SECONDS=T   seeds until T seconds have passed (the long run);
//   KARTEI_MODEL_FIRST_SEED=F  the first of them (default 1); seeds follow one another.
// Without any, seeds run for `defaultSeconds` (a quarter of it under the sanitizers), at least one.
// KARTEI_MODEL_OPERATIONS=N sets the changes of each run (OperationsPerSeed).
class TSeedBudget {
public:
    explicit TSeedBudget(double defaultSeconds);

    // The next seed to run; false when the budget is spent.
    bool Next(uint32_t& seed);
    // "12 seeds (1 to 12) in 20.3 s".
    std::string Summary() const;

private:
    using TClock = std::chrono::steady_clock;

    uint32_t first_ = 1;
    uint32_t next_ = 1;
    int64_t seeds_ = -1;
    double seconds_ = 0;
    TClock::time_point started_ = TClock::now();
};

// Changes planned for each seed's run: KARTEI_MODEL_OPERATIONS, or `fallback`.
int64_t OperationsPerSeed(int64_t fallback);

}  // namespace kartei::tools::model
