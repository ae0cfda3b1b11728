#include "tools/model/ModelFailingDisk.h"

#include <map>
#include <vector>

#include "kartei/Errors.h"
#include "engine/format/RecordLayout.h"
#include "engine/os/OsFileSystem.h"
#include "tools/ToolTestSupport.h"
#include "tools/model/ModelChecker.h"
#include "tools/model/ModelWorkload.h"

namespace kartei::tools::model {
namespace {

using kartei::tools::testing::Kartei;
using kartei::tools::testing::TRun;
using TContents = std::map<int32_t, std::vector<uint8_t>>;

TContents ModelContents(const TModelTable& model) {
    TContents contents;
    for (const TModelRecord* record : model.Live()) {
        contents[record->RecordNumber] = record->Image;
    }
    return contents;
}

// The live records of the table, by record number, read slot by slot.
TContents TableContents(TDataTableImpl& table) {
    TContents contents;
    std::vector<uint8_t> image(table.Header().RecordSize);
    for (int32_t number = 1; number <= table.Header().RecordSlotCount(); ++number) {
        table.ReadRecord(number, image);
        if (RecordStatus(image) == kRecordLive) {
            contents[number] = image;
        }
    }
    return contents;
}

// The first record numbers where two contents differ.
std::string Differences(const TContents& found, const TContents& expected) {
    std::string text;
    int shown = 0;
    const auto note = [&](int32_t number, const char* what) {
        if (shown++ < 5) {
            text += " #" + std::to_string(number) + " " + what + ";";
        }
    };
    for (const auto& [number, image] : found) {
        const auto it = expected.find(number);
        if (it == expected.end()) {
            note(number, "not expected");
        } else if (it->second != image) {
            note(number, "differs");
        }
    }
    for (const auto& [number, image] : expected) {
        if (found.count(number) == 0) {
            note(number, "missing");
        }
    }
    return text;
}

// Verify, repair when needed, and compare with the models before and after the failed change.
std::string CheckAfterFailure(const std::string& folder, const TModelWorkload& workload, uint32_t seed) {
    const std::string table = folder + "/" + TModelWorkload::kTableName + ".DAT";
    TRun verify = Kartei({"verify", table});
    std::string report;
    if (verify.Status != 0) {
        report = "verify found:\n" + verify.Out;
        const TRun repair = Kartei({"repair", table});
        verify = Kartei({"verify", table});
        if (repair.Status != 0 || verify.Status != 0) {
            return report + "and after repair (" + std::to_string(repair.Status) + "):\n" + repair.Out +
                   repair.Err + verify.Out;
        }
    }
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
    TTableOpenRequest request;
    request.Name = std::string(TModelWorkload::kTableName);
    TDataTableImpl* opened = nullptr;
    if (const int status = directory.OpenTable(request, opened); status != 0) {
        return report + "the table does not open: " + std::to_string(status);
    }
    const TContents found = TableContents(*opened);
    const TModelTable* expected = nullptr;
    for (const TModelTable* model : {&workload.Before(), &workload.After()}) {
        if (expected == nullptr && found == ModelContents(*model)) {
            expected = model;
        }
    }
    if (expected == nullptr) {
        return report + "the table holds neither the records before the change (" +
               Differences(found, ModelContents(workload.Before())) + ") nor after it (" +
               Differences(found, ModelContents(workload.After())) + ")";
    }
    try {
        CheckTableAgainstModel(directory, TModelWorkload::kTableName, *expected, seed);
    } catch (const std::exception& error) {
        return report + error.what();
    }
    return {};
}

}  // namespace

std::string DiskFaultText(const TDiskFaultSettings& settings) {
    return "seed " + std::to_string(settings.Seed) + ", " + std::to_string(settings.Operations) +
           " operations, " + kartei::testing::FaultKindName(settings.Kind) + " call " +
           std::to_string(settings.FailAt) + (settings.Sticky ? " and later" : "") +
           (settings.ForceFlush ? ", flushing every write" : "");
}

TDiskFaultOutcome RunOverFailingDisk(const std::string& folder, const TDiskFaultSettings& settings) {
    TWorkloadSettings workloadSettings;
    workloadSettings.Seed = settings.Seed;
    workloadSettings.Operations = settings.Operations;
    workloadSettings.Checks = false;
    workloadSettings.FailingDisk = true;
    workloadSettings.ForceFlush = settings.ForceFlush;
    TModelWorkload workload(folder, workloadSettings);
    kartei::testing::TFailingFileSystem disk(settings.Kind, settings.FailAt, settings.Sticky);
    std::string raised;
    std::string problem;
    {
        const TScopedOsFileSystem scoped(disk);
        try {
            workload.Run();
        } catch (const EKarteiEngineError& error) {
            raised = error.Message();
        } catch (const std::exception& error) {
            problem = std::string("the engine disagreed with the model: ") + error.what() + "\n";
        }
        workload.Close();
    }
    TDiskFaultOutcome outcome;
    outcome.Calls = disk.Calls();
    if (!raised.empty() && !disk.Failed()) {
        problem += "an error without a failed call: " + raised + "\n";
    }
    if (problem.empty()) {
        problem = CheckAfterFailure(folder, workload, settings.Seed);
    }
    if (!problem.empty()) {
        outcome.Problem = problem + "\nthe engine raised: " + (raised.empty() ? "nothing" : raised) +
                          "\ntable " + DescribeSchema(workload.Schema()) + "\nlast operations:\n" +
                          workload.Log();
    }
    return outcome;
}

}  // namespace kartei::tools::model
