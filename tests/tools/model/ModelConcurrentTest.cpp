#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "engine/files/FileTestSupport.h"
#include "tools/model/ModelBudget.h"
#include "tools/model/ModelConcurrent.h"
#include "tools/model/ModelOtherProcess.h"
#include "tools/model/ModelRegressions.h"

namespace kartei::tools::model {
namespace {

// The reason a seed's walks failed, or nothing.
std::string Failure(const TConcurrentSettings& settings) {
    const kartei::testing::TTempDir folder;
    try {
        RunConcurrentWalks(folder.Path(), settings);
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

// Walks both ways through every index of seeded tables while another cursor of this process and another
// process insert and delete records: each sees every record that stayed exactly once, in order. After three
// failing seeds the rest of the budget would mostly repeat them.
TEST(ModelConcurrent, WalksSeeEveryRecordThatStaysExactlyOnce) {
    TSeedBudget budget(15);
    int failures = 0;
    for (uint32_t seed = 0; failures < 3 && budget.Next(seed);) {
        TConcurrentSettings settings;
        settings.Seed = seed;
        const std::string failure = Failure(settings);
        failures += failure.empty() ? 0 : 1;
        EXPECT_TRUE(failure.empty()) << "concurrent walks, seed " << seed
                                     << " (with another process): " << failure;
    }
    std::cout << "concurrent walks: " << budget.Summary() << "\n";
}

class ModelConcurrentRegression : public ::testing::TestWithParam<TConcurrentRegression> {};

TEST_P(ModelConcurrentRegression, WalksSeeEveryRecordThatStays) {
    TConcurrentSettings settings;
    settings.Seed = GetParam().Seed;
    settings.OtherProcess = false;
    settings.StandingDeletes = GetParam().StandingDeletes;
    settings.EdgeInserts = GetParam().EdgeInserts;
    settings.OtherChanges = false;
    const std::string failure = Failure(settings);
    EXPECT_TRUE(failure.empty()) << GetParam().Finding << "\n" << failure;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ModelConcurrentRegression, ::testing::ValuesIn(kConcurrentRegressions),
                         [](const auto& info) { return std::string(info.param.Name); });

// The other process of the walks above.
TEST(ModelConcurrentChild, Run) {
    const char* folder = std::getenv(kOtherFolderVariable);
    const char* seed = std::getenv(kOtherSeedVariable);
    if (folder == nullptr || seed == nullptr) {
        GTEST_SKIP() << "only run as the other process of ModelConcurrent";
    }
    EXPECT_EQ(RunOtherWriter(folder, static_cast<uint32_t>(std::stoul(seed)), std::cerr), 0);
}

}  // namespace
}  // namespace kartei::tools::model
