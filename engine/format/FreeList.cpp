#include "engine/format/FreeList.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

TInsertSlot NextInsertSlot(const TDataHeader& header, bool primaryIndexHasNoKeyFields) {
    if (header.FreeListHead == 0 || primaryIndexHasNoKeyFields) {
        return {header.NextRecordNumber, false};
    }
    return {header.FreeListHead, true};
}

void TakeInsertSlot(TDataHeader& header, const TInsertSlot& slot, int32_t reusedSlotLink) {
    header.FreeListHead = slot.Reused ? reusedSlotLink : 0;
}

int32_t AppendRecordSlot(TDataHeader& header, std::string_view tableName) {
    const int32_t recordNumber = header.NextRecordNumber;
    if (int64_t{recordNumber} + 1 > kMaxNextRecordNumber ||
        int64_t{recordNumber} * header.RecordSize > kMaxRecordBytes) {
        RaiseKarteiError(ErrorCode::TableFull, tableName);
    }
    header.NextRecordNumber = recordNumber + 1;
    return recordNumber;
}

void DeleteRecordSlot(TDataHeader& header, std::span<uint8_t> record, int32_t recordNumber,
                      bool primaryIndexHasNoKeyFields) {
    const TInsertSlot next = NextInsertSlot(header, primaryIndexHasNoKeyFields);
    SetRecordStatus(record, kRecordDeleted);
    SetRecordLink(record, next.Reused ? next.RecordNumber : 0);
    header.FreeListHead = recordNumber;
}

}  // namespace kartei
