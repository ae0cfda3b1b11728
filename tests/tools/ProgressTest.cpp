// The progress line of long runs: written over on a terminal, wiped at the end, nothing otherwise.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/Progress.h"

namespace kartei::tools {
namespace {

std::string Shown(bool quiet, bool terminal, int steps) {
    std::ostringstream err;
    {
        TProgress progress(err, "import", quiet, terminal);
        for (int k = 0; k < steps; ++k) {
            progress.Step();
        }
        EXPECT_EQ(progress.Count(), steps);
    }
    return err.str();
}

TEST(Progress, OnATerminalOneLineIsWrittenOverAndWipedAtTheEnd) {
    const std::string wipe = "\r" + std::string(28, ' ') + "\r";
    EXPECT_EQ(Shown(false, true, 25000),
              "\rkartei import: 10000 records\rkartei import: 20000 records" + wipe);
    EXPECT_EQ(Shown(false, true, 9999), "");
}

TEST(Progress, QuietOrNotOnATerminalNothingIsShown) {
    EXPECT_EQ(Shown(true, true, 25000), "");
    EXPECT_EQ(Shown(false, false, 25000), "");
    // A stream that is not standard error is no terminal.
    std::ostringstream err;
    {
        TProgress progress(err, "import", false);
        for (int k = 0; k < 20000; ++k) {
            progress.Step();
        }
    }
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace kartei::tools
