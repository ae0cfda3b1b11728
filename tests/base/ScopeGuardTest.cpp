#include "base/ScopeGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kartei {
namespace {

TEST(UndoGuard, UndoesWhenTheScopeIsLeftByAnError) {
    int value = 1;
    EXPECT_THROW(
        {
            TUndoGuard restore([&value] { value = 1; });
            value = 2;
            throw std::runtime_error("failed");
        },
        std::runtime_error);
    EXPECT_EQ(value, 1);
}

TEST(UndoGuard, KeepsTheChangeWhenDismissed) {
    int value = 1;
    {
        TUndoGuard restore([&value] { value = 1; });
        value = 2;
        restore.Dismiss();
    }
    EXPECT_EQ(value, 2);
}

TEST(UndoGuard, NeverDismissedItAlwaysRuns) {
    bool busy = true;
    {
        const TUndoGuard done([&busy] { busy = false; });
    }
    EXPECT_FALSE(busy);
}

TEST(UndoOnError, GivesBackWhatTheWorkGivesAndUndoesNothing) {
    bool undone = false;
    EXPECT_EQ(UndoOnError([] { return 7; }, [&undone] { undone = true; }), 7);
    EXPECT_FALSE(undone);
}

TEST(UndoOnError, UndoesAndPassesTheErrorOn) {
    bool undone = false;
    try {
        UndoOnError([] { throw std::runtime_error("work"); }, [&undone] { undone = true; });
        FAIL() << "no error passed on";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "work");
    }
    EXPECT_TRUE(undone);
}

TEST(UndoOnError, AnUndoThatFailsPassesItsOwnErrorOn) {
    try {
        UndoOnError([] { throw std::runtime_error("work"); }, [] { throw std::logic_error("undo"); });
        FAIL() << "no error passed on";
    } catch (const std::logic_error& error) {
        EXPECT_EQ(std::string(error.what()), "undo");
    }
}

TEST(RunThenFinish, FinishesAfterWorkAndAfterAnError) {
    std::vector<std::string> steps;
    RunThenFinish([&steps] { steps.push_back("work"); }, [&steps] { steps.push_back("finish"); });
    EXPECT_THROW(
        RunThenFinish([] { throw std::runtime_error("work"); }, [&steps] { steps.push_back("finish"); }),
        std::runtime_error);
    EXPECT_EQ(steps, (std::vector<std::string>{"work", "finish", "finish"}));
}

TEST(RunQuietly, DropsTheErrorAndSaysSo) {
    EXPECT_TRUE(RunQuietly([] {}));
    EXPECT_FALSE(RunQuietly([] { throw std::runtime_error("dropped"); }));
}

TEST(FirstError, RunsEveryStepAndRaisesTheFirstError) {
    TFirstError failure;
    int ran = 0;
    failure.Run([&ran] { ++ran; });
    failure.Run([&ran] {
        ++ran;
        throw std::runtime_error("first");
    });
    failure.Run([&ran] {
        ++ran;
        throw std::logic_error("second");
    });
    EXPECT_EQ(ran, 3);
    try {
        failure.Raise();
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "first");
    }
}

TEST(FirstError, RaisesNothingWhenEveryStepRan) {
    TFirstError failure;
    failure.Run([] {});
    EXPECT_NO_THROW(failure.Raise());
}

}  // namespace
}  // namespace kartei
