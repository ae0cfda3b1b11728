#include "tools/model/ModelTable.h"

#include <algorithm>

#include "kartei/ErrorCodes.h"
#include "engine/format/AutoIncrement.h"
#include "engine/index/IndexFormat.h"

namespace kartei::tools::model {

TModelTable::TModelTable(TDataTableImpl& table) {
    auto shared = std::make_shared<TShared>();
    shared->Fields.assign(table.Fields().begin(), table.Fields().end());
    shared->RecordSize = table.Header().RecordSize;
    shared->Locale = table.Header().LanguageId != 0;
    shared->ReusesSlots = !table.IndexFile().NoPrimaryKey();
    if (shared->ReusesSlots) {
        shared->Orders.emplace_back(table, kPrimaryIndexSlot);
    }
    for (int slot = 1; slot <= table.IndexFile().SecondaryIndexCount(); ++slot) {
        shared->Orders.emplace_back(table, slot);
    }
    shared_ = std::move(shared);
}

std::vector<const TModelRecord*> TModelTable::Live() const {
    std::vector<const TModelRecord*> live;
    for (const auto& [id, record] : records_) {
        live.push_back(&record);
    }
    return live;
}

std::vector<const TModelRecord*> TModelTable::ByRecordNumber() const {
    std::vector<const TModelRecord*> live = Live();
    std::sort(live.begin(), live.end(),
              [](const TModelRecord* a, const TModelRecord* b) { return a->RecordNumber < b->RecordNumber; });
    return live;
}

TModelRecord TModelTable::Make(int32_t id, int32_t recordNumber,
                               const std::vector<TModelValue>& values) const {
    TModelRecord record;
    record.Id = id;
    record.RecordNumber = recordNumber;
    record.Values = values;
    UpdateImage(Fields(), RecordSize(), record);
    return record;
}

bool TModelTable::Conflicts(const TModelRecord& record) const {
    for (const TIndexOrder& order : Orders()) {
        if (!order.Unique()) {
            continue;
        }
        for (const auto& [id, other] : records_) {
            if (id != record.Id && order.Compare(record, other) == 0) {
                return true;
            }
        }
    }
    return false;
}

void TModelTable::Predict(TModelOperation& operation, bool exclusive, bool inTransaction) const {
    operation.ExpectedError = 0;
    switch (operation.Kind) {
        case TOperationKind::Insert: {
            const bool reuse = shared_->ReusesSlots && !freeSlots_.empty();
            operation.Expected = Make(NextSequenceValue(lastId_), reuse ? freeSlots_.back() : slotCount_ + 1,
                                      operation.Values);
            break;
        }
        case TOperationKind::Modify: {
            const TModelRecord& old = records_.at(operation.TargetId);
            operation.Expected = Make(old.Id, old.RecordNumber, operation.Values);
            break;
        }
        case TOperationKind::Delete:
            operation.Expected = records_.at(operation.TargetId);
            return;
        case TOperationKind::Empty:
            // Emptying cuts the files at once: only for a table of one user, and never in a transaction.
            operation.ExpectedError = !exclusive      ? ErrorCode::NeedExclusive
                                      : inTransaction ? ErrorCode::TableInUse
                                                      : 0;
            return;
    }
    if (Conflicts(operation.Expected)) {
        operation.ExpectedError = ErrorCode::DuplicateKey;
    }
}

void TModelTable::Apply(const TModelOperation& operation) {
    if (operation.ExpectedError != 0) {
        return;
    }
    switch (operation.Kind) {
        case TOperationKind::Insert: {
            const TModelRecord& record = operation.Expected;
            if (!freeSlots_.empty() && record.RecordNumber == freeSlots_.back()) {
                freeSlots_.pop_back();
            } else {
                slotCount_ = record.RecordNumber;
            }
            lastId_ = record.Id;
            records_[record.Id] = record;
            break;
        }
        case TOperationKind::Modify:
            records_[operation.TargetId] = operation.Expected;
            break;
        case TOperationKind::Delete:
            if (shared_->ReusesSlots) {
                freeSlots_.push_back(records_.at(operation.TargetId).RecordNumber);
            }
            records_.erase(operation.TargetId);
            break;
        case TOperationKind::Empty:
            records_.clear();
            freeSlots_.clear();
            lastId_ = 0;
            slotCount_ = 0;
            break;
    }
}

}  // namespace kartei::tools::model
