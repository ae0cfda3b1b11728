#include "tools/model/ModelWorkload.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "kartei/Errors.h"
#include "tools/model/ModelChecker.h"
#include "tools/model/ModelCursorChecks.h"
#include "tools/model/ModelFailure.h"

namespace kartei::tools::model {
namespace {

TTableOpenRequest Request(bool exclusive) {
    TTableOpenRequest request;
    request.Name = std::string(TModelWorkload::kTableName);
    request.Exclusive = exclusive;
    return request;
}

std::string BatchName(const TBatchPlan& plan, int64_t batch) {
    return "batch " + std::to_string(batch) + (plan.Exclusive ? " exclusive" : "") +
           (plan.Transaction ? (plan.Commit ? " transaction" : " transaction rolled back") : "");
}

}  // namespace

TModelWorkload::TModelWorkload(const std::string& folder, const TWorkloadSettings& settings)
    : settings_(settings) {
    std::mt19937 random(settings.Seed);
    schema_ = MakeSchema(random);
    maxRecords_ = schema_.Family == TSchemaFamily::WideKeys
                      ? std::uniform_int_distribution<size_t>(30, 150)(random)
                      : std::uniform_int_distribution<size_t>(60, 1000)(random);
    session_ = std::make_unique<TDataSession>();
    session_->SetForceBufferFlush(settings.ForceFlush);
    if (std::uniform_int_distribution<int>(0, 2)(random) == 0) {
        // A record cache of a few records, and transactions that spill nearly all they change.
        TCacheSettings caches;
        caches.RecordCacheBytes = 2048;
        caches.TransactionCacheBytes = 1;
        // A new table filled in a transaction builds its indexes after the first record.
        caches.PutOffKeyBytes = 1;
        if (std::uniform_int_distribution<int>(0, 1)(random) == 0) {
            // A few pages for all indexes together, each miss taking the page another index used least.
            caches.ShareIndexPages = true;
            caches.PagesPerIndex = 3;
        }
        session_->SetCacheSettings(caches);
    }
    directory_ = &Inside(session_->OpenDirectory(folder));
    const int status = directory_->CreateTable(Request(false), schema_.Definition, table_);
    Expect(status == 0, [&] { return "creating the table gives " + std::to_string(status); });
    model_.emplace(*table_);
}

TModelWorkload::~TModelWorkload() {
    Close();
}

void TModelWorkload::Close() {
    survivor_.reset();
    table_ = nullptr;
    directory_ = nullptr;
    session_.reset();
}

void TModelWorkload::Open(bool exclusive) {
    const int status = directory_->OpenTable(Request(exclusive), table_);
    if (status != 0) {
        table_ = nullptr;
        RaiseKarteiError(static_cast<uint16_t>(-status), std::string(kTableName) + ".DAT");
    }
}

void TModelWorkload::CloseTable() {
    survivor_.reset();
    TDataTableImpl* table = std::exchange(table_, nullptr);
    const int status = directory_->CloseTable(table);
    Expect(status == 0, [&] { return "closing the table gives " + std::to_string(status); });
}

void TModelWorkload::Run() {
    TBatchPlanner planner(settings_.Seed * 2654435761u + 1, *model_, maxRecords_, settings_.FailingDisk);
    for (int64_t batch = 1; done_ < settings_.Operations; ++batch) {
        TBatchPlan plan = planner.Next(*model_);
        const int64_t left = (settings_.CutOff > 0 ? settings_.CutOff : settings_.Operations) - done_;
        if (static_cast<int64_t>(plan.Operations.size()) > left) {
            plan.Operations.resize(static_cast<size_t>(left));
        }
        std::mt19937 random(settings_.Seed ^ static_cast<uint32_t>(batch * 7919));
        if (settings_.Checks && !plan.Exclusive) {
            PlaceSurvivor(random);
        }
        RunBatch(plan, batch);
        if (settings_.Checks) {
            CheckSurvivor();
            CheckTableAgainstModel(*directory_, kTableName, *model_, random());
        }
        if (settings_.CutOff > 0 && done_ >= settings_.CutOff) {
            return;
        }
    }
}

void TModelWorkload::RunBatch(TBatchPlan& plan, int64_t batch) {
    const TModelTable start = *model_;
    const bool whole = plan.Exclusive || plan.Transaction;
    if (settings_.FailingDisk && whole) {
        before_ = start;
        after_ = plan.After;
    }
    log_.Add(BatchName(plan, batch));
    if (plan.Exclusive) {
        CloseTable();
        Open(true);
    }
    if (plan.Transaction) {
        directory_->StartTransaction();
    }
    for (const TModelOperation& operation : plan.Operations) {
        if (settings_.FailingDisk && !whole) {
            before_ = *model_;
            after_ = *model_;
            after_->Apply(operation);
        }
        ++done_;
        log_.Add("  op " + std::to_string(done_) + ": " + Describe(model_->Fields(), operation));
        Execute(operation);
        model_->Apply(operation);
    }
    if (plan.Transaction) {
        log_.Add(plan.Commit ? "  commit" : "  rollback");
        directory_->EndTransaction(plan.Commit);
        if (!plan.Commit) {
            *model_ = start;
        }
    }
    if (plan.Exclusive) {
        CloseTable();
        Open(false);
    }
    before_.reset();
    after_.reset();
}

void TModelWorkload::Execute(const TModelOperation& operation) {
    const TModelRecord& expected = operation.Expected;
    try {
        switch (operation.Kind) {
            case TOperationKind::Insert: {
                const int32_t number = table_->InsertRecord(expected.Image);
                Expect(number == expected.RecordNumber,
                       [&] { return "the insert took record " + std::to_string(number); });
                break;
            }
            case TOperationKind::Modify:
                table_->ModifyRecord(expected.RecordNumber, expected.Image);
                break;
            case TOperationKind::Delete:
                table_->DeleteRecord(expected.RecordNumber);
                break;
            case TOperationKind::Empty:
                table_->EmptyTable();
                break;
        }
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() != operation.ExpectedError || operation.ExpectedError == 0) {
            throw;
        }
        return;
    }
    Expect(operation.ExpectedError == 0,
           [&] { return "no error " + std::to_string(operation.ExpectedError) + " raised"; });
    if (operation.Kind == TOperationKind::Insert || operation.Kind == TOperationKind::Modify) {
        std::vector<uint8_t> image(expected.Image.size());
        table_->ReadRecord(expected.RecordNumber, image);
        ExpectRecord(*model_, image, expected, "the record read back");
    }
}

void TModelWorkload::PlaceSurvivor(std::mt19937& random) {
    survivorRecord_.reset();
    if (model_->Empty()) {
        return;
    }
    if (!survivor_) {
        survivor_ = std::make_unique<TDataCursorImpl>(*directory_);
        survivor_->Open(Request(false));
    }
    survivorOrder_ =
        std::uniform_int_distribution<int>(-1, static_cast<int>(model_->Orders().size()) - 1)(random);
    survivor_->SelectIndex(survivorOrder_ < 0 ? kRecordOrderSlot
                                              : model_->Orders()[static_cast<size_t>(survivorOrder_)].Slot());
    const int32_t position =
        std::uniform_int_distribution<int32_t>(1, static_cast<int32_t>(model_->Size()))(random);
    survivor_->GoToOrdinal(position);
    survivorRecord_ = ReadImage(model_->Fields(), survivor_->CurrentRecord());
}

// After another user's changes a cursor stands on the record it stood on, or on the first one after its
// place: in record order the next live slot, in an index the first key not below its old key.
void TModelWorkload::CheckSurvivor() {
    if (!survivorRecord_ || !survivor_) {
        return;
    }
    const TModelRecord* expected = nullptr;
    std::string where = "a cursor placed before the batch on " + Describe(model_->Fields(), *survivorRecord_);
    if (survivorOrder_ < 0) {
        for (const TModelRecord* record : model_->ByRecordNumber()) {
            if (record->RecordNumber >= survivorRecord_->RecordNumber) {
                expected = record;
                break;
            }
        }
        where += " in record order";
    } else {
        const TIndexOrder& order = model_->Orders()[static_cast<size_t>(survivorOrder_)];
        for (const TModelRecord* record : order.Sorted(model_->Live())) {
            if (order.Compare(*record, *survivorRecord_) >= 0) {
                expected = record;
                break;
            }
        }
        where += " in index slot " + std::to_string(order.Slot());
    }
    std::vector<uint8_t> buffer(survivor_->RecordSize());
    const int status = survivor_->GetCurrent(buffer, false);
    if (expected == nullptr) {
        Expect(status != ErrorCode::Success, [&] { return where + ": stands on a record past the end"; });
        return;
    }
    Expect(status == ErrorCode::Success, [&] { return where + ": status " + std::to_string(status); });
    ExpectRecord(*model_, buffer, *expected, where);
}

}  // namespace kartei::tools::model
