// TDataTableImpl: reading records and blobs for callers outside a cursor, under the table's read lock.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei {

TDataTableImpl::TReadAccess::TReadAccess(TDataTableImpl& table, bool usesIndexes) : table_(table) {
    if (usesIndexes) {
        table.BuildPutOffIndexes();
    }
    table.ReloadIfStale();
    TTableLocks& locks = table.locks_;
    if (!locks.HoldsAnyReadLock() && !locks.HoldsWriteLock()) {
        locks.LockRead(0);
        taken_ = true;
    }
}

TDataTableImpl::TReadAccess::~TReadAccess() {
    if (taken_) {
        RunQuietly([this] { table_.locks_.UnlockRead(0); });  // the lock goes with the file at the latest
    }
}

void TDataTableImpl::CheckImage(std::span<const uint8_t> image) const {
    if (!filesOpen_) {
        Raise(ErrorCode::InvalidHandle);
    }
    if (image.size() != Header().RecordSize) {
        Raise(ErrorCode::RecordBuffersCorrupt);
    }
}

TRecord& TDataTableImpl::FetchSlot(int32_t recordNumber, bool live, bool readAhead) {
    if (recordNumber < 1 || recordNumber >= Header().NextRecordNumber) {
        Raise(ErrorCode::RecordNotFound);
    }
    TRecord& record = *dataFile_.Fetch(nullptr, recordNumber, TReadDirection::Forward, readAhead, false);
    if (live && RecordStatus(record.Image()) != kRecordLive) {
        dataFile_.Release(record);
        Raise(ErrorCode::RecordChanged);
    }
    return record;
}

void TDataTableImpl::ReadRecord(int32_t recordNumber, std::span<uint8_t> image, bool readAhead) {
    CheckImage(image);
    const TReadAccess access(*this, false);
    const TPinnedRecord record(dataFile_, FetchSlot(recordNumber, false, readAhead));
    std::copy(record->Image().begin(), record->Image().end(), image.begin());
}

const TFieldDescriptor& TDataTableImpl::OwnBlobField(const TFieldDescriptor& field) const {
    const TFieldDescriptor* own = dataFile_.DescriptorByNumber(field.FieldNumber);
    if (own == nullptr || own->FieldType != FieldType::Blob || !blobFile_.IsOpen()) {
        RaiseKarteiError(ErrorCode::InvalidBlobField, name_, field.Name);
    }
    return *own;
}

size_t TDataTableImpl::ReadBlob(std::span<const uint8_t> record, const TFieldDescriptor& field,
                                TEngineBuffer& contents) {
    CheckImage(record);
    const TFieldDescriptor& own = OwnBlobField(field);
    const TReadAccess access(*this, false);
    if (IsFieldNull(record, own)) {
        return 0;
    }
    return blobFile_.ReadBlob(GetBlobField(record, own), contents);
}

}  // namespace kartei
