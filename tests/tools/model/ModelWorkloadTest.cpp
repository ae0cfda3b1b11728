#include <gtest/gtest.h>

#include <iostream>

#include "tools/model/ModelBudget.h"
#include "tools/model/ModelRun.h"

namespace kartei::tools::model {
namespace {

// Seeded random changes of tables of every shape, checked against the model after every batch. Failing
// seeds are reported with the shortest run that still fails; after three of them the rest of the budget
// would mostly repeat them.
TEST(ModelWorkload, RandomSeedsAgreeWithTheModel) {
    TSeedBudget budget(20);
    int failures = 0;
    int64_t operations = 0;
    for (uint32_t seed = 0; failures < 3 && budget.Next(seed);) {
        TWorkloadSettings settings;
        settings.Seed = seed;
        settings.Operations = OperationsPerSeed(settings.Operations);
        const TRunOutcome outcome = RunSeed(settings, true);
        operations += outcome.Operations;
        if (outcome.Failed) {
            ++failures;
            ADD_FAILURE() << outcome.Report;
        }
    }
    std::cout << "model workload: " << budget.Summary() << ", " << operations << " operations\n";
}

}  // namespace
}  // namespace kartei::tools::model
