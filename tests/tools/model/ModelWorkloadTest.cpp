#include <gtest/gtest.h>

#include <iostream>

#include "tools/model/ModelBudget.h"
#include "tools/model/ModelRegressions.h"
#include "tools/model/ModelRun.h"

namespace kartei::tools::model {
namespace {

// Seeded random changes of tables of every shape, checked against the model after every batch. The first
// failing seed is reported with the shortest run that still fails (shrinking costs runs); after three the
// rest of the budget would mostly repeat them.
TEST(ModelWorkload, RandomSeedsAgreeWithTheModel) {
    TSeedBudget budget(20);
    int failures = 0;
    int64_t operations = 0;
    for (uint32_t seed = 0; failures < 3 && budget.Next(seed);) {
        TWorkloadSettings settings;
        settings.Seed = seed;
        settings.Operations = OperationsPerSeed(settings.Operations);
        const TRunOutcome outcome = RunSeed(settings, failures == 0);
        operations += outcome.Operations;
        if (outcome.Failed) {
            ++failures;
            ADD_FAILURE() << outcome.Report;
        }
    }
    std::cout << "model workload: " << budget.Summary() << ", " << operations << " operations\n";
}

class ModelWorkloadRegression : public ::testing::TestWithParam<TSequentialRegression> {};

TEST_P(ModelWorkloadRegression, AgreesWithTheModel) {
    TWorkloadSettings settings;
    settings.Seed = GetParam().Seed;
    settings.Operations = GetParam().Operations;
    const TRunOutcome outcome = RunSeed(settings, false);
    EXPECT_FALSE(outcome.Failed) << GetParam().Finding << "\n" << outcome.Report;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelWorkloadRegression, ::testing::ValuesIn(kSequentialRegressions),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kartei::tools::model
