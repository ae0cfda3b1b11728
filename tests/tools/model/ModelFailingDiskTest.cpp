#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "engine/files/FileTestSupport.h"
#include "tools/model/ModelBudget.h"
#include "tools/model/ModelFailingDisk.h"
#include "tools/model/ModelRegressions.h"

namespace kartei::tools::model {
namespace {

using kartei::testing::TFaultKind;

constexpr TFaultKind kKinds[] = {TFaultKind::Read, TFaultKind::Write, TFaultKind::Flush, TFaultKind::Lock};
constexpr int kFailuresPerSeed = 4;

TDiskFaultOutcome RunIn(const TDiskFaultSettings& settings) {
    const kartei::testing::TTempDir folder;
    return RunOverFailingDisk(folder.Path(), settings);
}

// The seeded workload over a disk that fails one call (of a kind and at a place drawn from the seed, every
// later one too for a disk gone away; a refused lock is retried, so locks fail for good): afterwards the
// table verifies (after a repair at most) and holds what the model held before the failed change or
// after it, nothing else.
TEST(ModelFailingDisk, AfterAFailedCallTheTableHoldsTheModelBeforeOrAfterTheChange) {
    TSeedBudget budget(20);
    int failures = 0;
    int64_t runs = 0;
    for (uint32_t seed = 0; failures < 3 && budget.Next(seed);) {
        std::mt19937 random(seed);
        TDiskFaultSettings settings;
        settings.Seed = seed;
        settings.Kind = kKinds[random() % std::size(kKinds)];
        settings.Sticky = settings.Kind == TFaultKind::Lock || random() % 2 == 0;
        // Without forced flushes the engine seldom flushes; with them every write waits for the disk.
        settings.ForceFlush = settings.Kind == TFaultKind::Flush || random() % 8 == 0;
        const TDiskFaultOutcome counted = RunIn(settings);
        if (!counted.Problem.empty()) {
            ++failures;
            ADD_FAILURE() << DiskFaultText(settings) << ": " << counted.Problem;
            continue;
        }
        for (int k = 0; k < kFailuresPerSeed && counted.Calls > 0; ++k, ++runs) {
            settings.FailAt = std::uniform_int_distribution<int64_t>(1, counted.Calls)(random);
            const TDiskFaultOutcome outcome = RunIn(settings);
            if (!outcome.Problem.empty()) {
                ++failures;
                ADD_FAILURE() << DiskFaultText(settings) << ": " << outcome.Problem;
                break;
            }
        }
    }
    std::cout << "failing disk: " << budget.Summary() << ", " << runs << " failed calls\n";
}

class ModelFailingDiskRegression : public ::testing::TestWithParam<TDiskFaultRegression> {};

TEST_P(ModelFailingDiskRegression, LeavesTheModelBeforeOrAfterTheChange) {
    TDiskFaultSettings settings;
    settings.Seed = GetParam().Seed;
    settings.Kind = GetParam().Kind;
    settings.FailAt = GetParam().FailAt;
    settings.Sticky = GetParam().Sticky;
    settings.ForceFlush = GetParam().ForceFlush;
    const TDiskFaultOutcome outcome = RunIn(settings);
    EXPECT_TRUE(outcome.Problem.empty()) << GetParam().Finding << "\n"
                                         << DiskFaultText(settings) << ": " << outcome.Problem;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelFailingDiskRegression, ::testing::ValuesIn(kDiskFaultRegressions),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kartei::tools::model
