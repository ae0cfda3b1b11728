#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "engine/cursor/DataCursor.h"
#include "engine/table/DataDirectory.h"
#include "kartei/Session.h"
#include "tools/model/ModelLog.h"
#include "tools/model/ModelPlanner.h"
#include "tools/model/ModelSchema.h"
#include "tools/model/ModelTable.h"

namespace kartei::tools::model {

struct TWorkloadSettings {
    uint32_t Seed = 1;
    // Changes planned for the run.
    int64_t Operations = 3000;
    // Stop after this many changes (the rest of their batch is not run), then check: a shorter reproduction.
    // 0: run them all.
    int64_t CutOff = 0;
    // The whole check after every batch, and a cursor that must keep its place through each.
    bool Checks = true;
    // Plans for a failing disk: exclusive batches only empty the table (see TBatchPlanner); the model before
    // and after each change is kept.
    bool FailingDisk = false;
    // The session flushes the system's buffers after every write.
    bool ForceFlush = false;
};

// One seeded run of the workload on table "M" in `folder`: the table's shape is drawn from the seed and it is
// made at once; Run then changes it batch by batch, checking every answer of the engine against the model,
// and after each batch (with Checks) the whole table. The same seed and settings give the same run.
class TModelWorkload {
public:
    static constexpr const char* kTableName = "M";

    TModelWorkload(const std::string& folder, const TWorkloadSettings& settings);
    ~TModelWorkload();
    TModelWorkload(const TModelWorkload&) = delete;
    TModelWorkload& operator=(const TModelWorkload&) = delete;

    // Raises TModelFailure, or the engine's error, for the first disagreement.
    void Run();
    // Closes the table and the session; failures are dropped, as a program that gives up would drop them.
    void Close();

    const TModelSchema& Schema() const { return schema_; }
    // What the table holds after the changes run so far.
    const TModelTable& Model() const { return *model_; }
    int64_t OperationsDone() const { return done_; }
    // The last operations run, one line each.
    std::string Log() const { return log_.Text(); }
    // What the table holds before and after the change under way: a transaction or an exclusive batch
    // counts as one change. Only kept with FailingDisk.
    const TModelTable& Before() const { return before_ ? *before_ : *model_; }
    const TModelTable& After() const { return after_ ? *after_ : *model_; }

private:
    void Open(bool exclusive);
    void CloseTable();
    void RunBatch(TBatchPlan& plan, int64_t batch);
    void Execute(const TModelOperation& operation);
    void PlaceSurvivor(std::mt19937& random);
    void CheckSurvivor();

    TWorkloadSettings settings_;
    TModelSchema schema_;
    size_t maxRecords_ = 0;
    std::unique_ptr<TDataSession> session_;
    TDataDirectoryImpl* directory_ = nullptr;
    TDataTableImpl* table_ = nullptr;
    std::optional<TModelTable> model_;
    std::optional<TModelTable> before_;
    std::optional<TModelTable> after_;
    // A cursor placed on a record before a batch, and what it stood on.
    std::unique_ptr<TDataCursorImpl> survivor_;
    int survivorOrder_ = -1;
    std::optional<TModelRecord> survivorRecord_;
    int64_t done_ = 0;
    TRecentLines log_{60};
};

}  // namespace kartei::tools::model
