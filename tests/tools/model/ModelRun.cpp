#include "tools/model/ModelRun.h"

#include <exception>

#include "base/DatabaseError.h"
#include "engine/files/FileTestSupport.h"

namespace kartei::tools::model {
namespace {

struct TAttempt {
    bool Failed = false;
    std::string Message;
    int64_t Operations = 0;
    std::string Schema;
    std::string Log;
};

TAttempt Attempt(const TWorkloadSettings& settings) {
    const kartei::testing::TTempDir folder;
    TAttempt attempt;
    try {
        TModelWorkload workload(folder.Path(), settings);
        attempt.Schema = DescribeSchema(workload.Schema());
        try {
            workload.Run();
        } catch (const std::exception& error) {
            attempt.Failed = true;
            attempt.Message = error.what();
        }
        attempt.Operations = workload.OperationsDone();
        attempt.Log = workload.Log();
    } catch (const EDatabaseError& error) {
        attempt.Failed = true;
        attempt.Message = "making the table: " + error.Message();
    }
    return attempt;
}

}  // namespace

std::string SettingsText(const TWorkloadSettings& settings) {
    return "seed " + std::to_string(settings.Seed) + ", " + std::to_string(settings.Operations) +
           " operations" + (settings.CutOff > 0 ? ", cut off after " + std::to_string(settings.CutOff) : "") +
           (settings.Checks ? "" : ", no checks") +
           (settings.FailingDisk ? ", planned for a failing disk" : "") +
           (settings.ForceFlush ? ", flushing every write" : "");
}

TRunOutcome RunSeed(const TWorkloadSettings& settings, bool shrink) {
    const TAttempt first = Attempt(settings);
    TRunOutcome outcome{first.Failed, first.Operations, {}};
    if (!first.Failed) {
        return outcome;
    }
    TWorkloadSettings shortest = settings;
    shortest.CutOff = first.Operations;
    TAttempt failing = first;
    if (shrink) {
        // The shortest cut-off that still fails, assuming that a failure, once there, stays.
        int64_t passes = 0;
        int64_t fails = first.Operations;
        while (fails - passes > 1) {
            TWorkloadSettings tried = settings;
            tried.CutOff = passes + (fails - passes) / 2;
            const TAttempt attempt = Attempt(tried);
            if (attempt.Failed) {
                fails = tried.CutOff;
                failing = attempt;
                shortest = tried;
            } else {
                passes = tried.CutOff;
            }
        }
    }
    outcome.Report = SettingsText(settings) + ": " + first.Message + "\n" + "after operation " +
                     std::to_string(first.Operations) + "; table " + first.Schema + "\n";
    if (shrink) {
        outcome.Report += "shortest failing run: " + SettingsText(shortest) + ": " + failing.Message + "\n";
    }
    outcome.Report += "last operations:\n" + failing.Log;
    return outcome;
}

}  // namespace kartei::tools::model
