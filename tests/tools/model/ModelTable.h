#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "engine/table/DataTable.h"
#include "tools/model/ModelOperation.h"
#include "tools/model/ModelOrder.h"
#include "tools/model/ModelRecord.h"

namespace kartei::tools::model {

// What a table must hold after the changes the model has seen: its live records, the identifier the next
// insert gets, and the record slots: a table with primary key fields reuses the most recently freed slot,
// one without appends. A copy keeps the table as it is at one moment (where a transaction began); the
// fields and index orders are shared between copies.
class TModelTable {
public:
    // The model of an empty table, with the table's fields and indexes.
    explicit TModelTable(TDataTableImpl& table);

    std::span<const TFieldDescriptor> Fields() const { return shared_->Fields; }
    uint16_t RecordSize() const { return shared_->RecordSize; }
    bool LocaleTable() const { return shared_->Locale; }
    // The order of every index: the primary index when it has fields, then the secondary ones.
    const std::vector<TIndexOrder>& Orders() const { return shared_->Orders; }

    size_t Size() const { return records_.size(); }
    bool Empty() const { return records_.empty(); }
    // Live records by identifier; by record number.
    std::vector<const TModelRecord*> Live() const;
    std::vector<const TModelRecord*> ByRecordNumber() const;
    int32_t LastId() const { return lastId_; }

    // Fills in what the engine must answer (ExpectedError, Expected) when the operation runs on a table open
    // exclusively or not, in a transaction or not.
    void Predict(TModelOperation& operation, bool exclusive, bool inTransaction) const;
    // Takes over a predicted operation.
    void Apply(const TModelOperation& operation);

private:
    struct TShared {
        std::vector<TFieldDescriptor> Fields;
        uint16_t RecordSize = 0;
        bool Locale = false;
        bool ReusesSlots = false;
        std::vector<TIndexOrder> Orders;
    };

    TModelRecord Make(int32_t id, int32_t recordNumber, const std::vector<TModelValue>& values) const;
    // Whether a unique index holds the key of `record` under another record.
    bool Conflicts(const TModelRecord& record) const;

    std::shared_ptr<const TShared> shared_;
    std::map<int32_t, TModelRecord> records_;
    int32_t lastId_ = 0;
    int32_t slotCount_ = 0;
    std::vector<int32_t> freeSlots_;
};

}  // namespace kartei::tools::model
