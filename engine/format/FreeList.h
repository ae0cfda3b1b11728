#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/format/DataHeader.h"

namespace kartei {

// Limits of a data file: at most 99999999 record slots, and no slot may start beyond 2000000000 bytes
// of records.
constexpr int32_t kMaxNextRecordNumber = 100000000;
constexpr int64_t kMaxRecordBytes = 2000000000;

// Where the next insert goes: the free-list head, or a new slot at the end when the list is empty or
// the table's primary index has no key fields (then deleted slots are never reused).
struct TInsertSlot {
    int32_t RecordNumber = 0;
    bool Reused = false;
};

TInsertSlot NextInsertSlot(const TDataHeader& header, bool primaryIndexHasNoKeyFields);

// After an insert took `slot`: a reused slot's link (its bytes 1..4) becomes the free-list head; an
// appended slot leaves the head 0.
void TakeInsertSlot(TDataHeader& header, const TInsertSlot& slot, int32_t reusedSlotLink);

// A new slot at the end of the file: checks the limits (engine error TableFull for the table) and advances
// the next record number. Returns the new slot's record number.
int32_t AppendRecordSlot(TDataHeader& header, std::string_view tableName);

// Deletes record `recordNumber` whose image is `record`: status 1, bytes 1..4 the slot the next insert
// would reuse (0 when it would append), and the record becomes the free-list head.
void DeleteRecordSlot(TDataHeader& header, std::span<uint8_t> record, int32_t recordNumber,
                      bool primaryIndexHasNoKeyFields);

}  // namespace kartei
