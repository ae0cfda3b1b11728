#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "tools/model/ModelOperation.h"
#include "tools/model/ModelTable.h"
#include "tools/model/ModelValues.h"

namespace kartei::tools::model {

// One batch of changes, and the model as it leaves the table.
struct TBatchPlan {
    explicit TBatchPlan(TModelTable after) : After(std::move(after)) {}

    std::vector<TModelOperation> Operations;
    // Run on the table opened exclusively: changes stay in the caches until it closes, and it may be emptied.
    bool Exclusive = false;
    bool Transaction = false;
    // A transaction is committed, or rolled back.
    bool Commit = true;
    TModelTable After;
};

// Plans the batches of a run from its own random sequence: the table grows to a size drawn for the seed and
// shrinks again, over and over; inserts, changes (key fields included) and deletions, some in transactions
// that are committed or rolled back, now and then an exclusive batch that may empty the table.
class TBatchPlanner {
public:
    // `maxRecords`: the largest size the table grows to. `failingDisk`: exclusive batches only empty the
    // table, so that every change is on disk when its call returns.
    TBatchPlanner(uint32_t seed, const TModelTable& model, size_t maxRecords, bool failingDisk);

    TBatchPlan Next(const TModelTable& model);

private:
    TModelOperation NextOperation(const TModelTable& model);
    const TModelRecord& AnyRecord(const TModelTable& model);

    std::mt19937 random_;
    TValueSource values_;
    size_t maxRecords_;
    bool failingDisk_;
    bool growing_ = true;
    size_t target_ = 0;
};

}  // namespace kartei::tools::model
