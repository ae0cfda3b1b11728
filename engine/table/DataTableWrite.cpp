// TDataTableImpl: changes of records and blobs, emptying the table and rebuilding a missing index file. Every
// change runs under the write lock and leaves the data file, the blob file and every index in step.
#include <algorithm>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/AutoIncrement.h"
#include "engine/format/FreeList.h"
#include "engine/format/RecordLayout.h"
#include "engine/format/TableFileNames.h"
#include "engine/index/IndexFormat.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei {

// ---- The write lock of one change

TDataTableImpl::TWriteAccess::TWriteAccess(TDataTableImpl& table, int32_t recordNumber, TReach reach)
    : table_(table) {
    if (!table.filesOpen_) {
        table.Raise(ErrorCode::InvalidHandle);
    }
    if (table.readOnly_ && reach != TReach::FilesEvenReadOnly) {
        table.Raise(ErrorCode::AccessDenied);
    }
    table.ReloadIfStale();
    TTableLocks& locks = table.locks_;
    const uint32_t record = static_cast<uint32_t>(recordNumber);
    // Quietly: the failure to lock is the one reported.
    TUndoGuard unlock([this, &locks, record] {
        RunQuietly([this, &locks, record] {
            ReleaseReadLocks();
            if (lockedRecord_ != 0) {
                locks.UnlockRecord(record);
            }
        });
    });
    if (recordNumber > 0 && !locks.IsRecordLocked(record)) {
        locks.LockRecord(record);
        lockedRecord_ = recordNumber;
    }
    // A file's write lock covers every read byte: the table's own read locks must go first.
    ReleaseReadLocks();
    if (reach == TReach::Records) {
        locks.LockChange();
    } else {
        locks.LockWrite();
    }
    unlock.Dismiss();
}

void TDataTableImpl::TWriteAccess::ReleaseReadLocks() {
    for (int slot = 0; slot < TTableLocks::ReadLockSlots; ++slot) {
        table_.locks_.UnlockRead(slot);
    }
}

TDataTableImpl::TWriteAccess::~TWriteAccess() {
    if (released_) {
        return;
    }
    // A failed change: whatever the caches hold goes to the files, so that other users find them as this
    // table sees them. Quietly: the failure that ended the change is the one reported.
    RunQuietly([this] {
        if (!table_.exclusive_) {
            table_.WriteBackChanges();
        }
    });
    RunQuietly([this] { Release(); });
}

void TDataTableImpl::TWriteAccess::Finish() {
    table_.NoteChange();
    if (!table_.exclusive_) {
        // The data header goes out with every change, its change count raised: other processes learn from
        // it that records they may hold in their caches changed, even when no header value did. (A read-only
        // data file is only ever read; its table may still fill a new index file.)
        if (!table_.readOnly_) {
            table_.dataFile_.MarkHeaderPending();
        }
        table_.WriteBackChanges();
    }
    Release();
}

void TDataTableImpl::TWriteAccess::Release() {
    released_ = true;
    table_.locks_.UnlockWrite();
    if (lockedRecord_ != 0) {
        table_.locks_.UnlockRecord(static_cast<uint32_t>(lockedRecord_));
    }
}

void TDataTableImpl::NoteChange() {
    writtenChanges_ = true;
    if (inTransaction_) {
        changedInTransaction_ = true;
    }
}

// ---- Blob fields of a record

void TDataTableImpl::ClearBlobFields(std::span<uint8_t> image) const {
    for (const TFieldDescriptor& field : Fields()) {
        if (field.FieldType == FieldType::Blob) {
            SetFieldNull(image, field);
        }
    }
}

void TDataTableImpl::CopyBlobFields(std::span<const uint8_t> from, std::span<uint8_t> to) const {
    for (const TFieldDescriptor& field : Fields()) {
        if (field.FieldType == FieldType::Blob && field.IsStored()) {
            std::copy_n(from.begin() + field.Offset, field.DataWidth + 1u, to.begin() + field.Offset);
        }
    }
}

std::vector<TBlobReference> TDataTableImpl::DetachBlobs(TRecord& record) const {
    std::vector<TBlobReference> blobs;
    for (const TFieldDescriptor& field : Fields()) {
        if (field.FieldType == FieldType::Blob && !IsFieldNull(record.Image(), field)) {
            blobs.push_back(GetBlobField(record.Image(), field));
            SetFieldNull(record.Image(), field);
            record.MarkDirty();
        }
    }
    return blobs;
}

void TDataTableImpl::FreeDetachedBlobs(const std::vector<TBlobReference>& blobs) {
    if (blobs.empty()) {
        return;
    }
    if (inTransaction_) {
        blobsToFree_.insert(blobsToFree_.end(), blobs.begin(), blobs.end());
        return;
    }
    // The records that named the chains reach the disk first: a failure in between leaves unused blocks,
    // never a record naming freed ones.
    WriteBackChanges();
    FreeBlobs(blobs);
}

void TDataTableImpl::FreeBlobs(const std::vector<TBlobReference>& blobs) {
    for (const TBlobReference& blob : blobs) {
        blobFile_.FreeBlob(blob);
    }
}

// ---- Records

int32_t TDataTableImpl::InsertRecord(std::span<const uint8_t> image, bool keepAutoIncValue) {
    CheckImage(image);
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Records);
    PrepareInsert(keepAutoIncValue);
    newImage_.assign(image.begin(), image.end());
    SetRecordStatus(newImage_, kRecordLive);
    const int32_t identifier =
        keepAutoIncValue ? RecordAutoIncValue(newImage_) : NextSequenceValue(dataFile_.LastAutoIncValue());
    SetRecordAutoIncValue(newImage_, identifier);
    ClearBlobFields(newImage_);
    // The slot the data file will hand out, known before anything changes.
    const TInsertSlot slot = NextInsertSlot(Header(), indexFile_.NoPrimaryKey());
    SetRecordLink(newImage_, slot.RecordNumber);
    std::span<const uint8_t> replaced;
    if (slot.Reused) {
        const TPinnedRecord deleted(dataFile_, FetchSlot(slot.RecordNumber, false));
        oldImage_.assign(deleted->Image().begin(), deleted->Image().end());
        replaced = oldImage_;
    }
    if (indexes_.Deferring()) {
        indexes_.CheckDeferred(
            slot.RecordNumber, newImage_,
            [this](int32_t number, std::vector<uint8_t>& other) { CopySlot(number, other); });
    } else if (!indexesDeferred_) {
        indexes_.Change(slot.RecordNumber, replaced, newImage_);
    }
    TRecord* record = UndoOnError([this] { return &dataFile_.NewRecordSlot(); },
                                  [this] {
                                      if (!EntriesPutOff()) {
                                          indexes_.Undo();
                                      }
                                  });
    {
        // Unpinned before the write-back, which leaves pinned records alone.
        const TPinnedRecord taken(dataFile_, *record);
        if (keepAutoIncValue) {
            dataFile_.NoteExplicitAutoIncValue(identifier);
        } else {
            dataFile_.TakeAutoIncValue();
        }
        std::copy(newImage_.begin(), newImage_.end(), taken->Image().begin());
        taken->MarkDirty();
    }
    if (indexes_.Deferring()) {
        indexes_.AddDeferred(slot.RecordNumber);
    }
    indexFile_.IncrementRecordCount();
    access.Finish();
    return slot.RecordNumber;
}

void TDataTableImpl::ModifyRecord(int32_t recordNumber, std::span<const uint8_t> image) {
    CheckImage(image);
    TWriteAccess access(*this, recordNumber, TWriteAccess::TReach::Records);
    PrepareIndexes();
    {
        // Unpinned before the write-back, which leaves pinned records alone.
        const TPinnedRecord record(dataFile_, FetchSlot(recordNumber, true));
        oldImage_.assign(record->Image().begin(), record->Image().end());
        newImage_.assign(image.begin(), image.end());
        SetRecordStatus(newImage_, kRecordLive);
        SetRecordLink(newImage_, recordNumber);
        SetRecordAutoIncValue(newImage_, RecordAutoIncValue(oldImage_));
        CopyBlobFields(oldImage_, newImage_);
        indexes_.Change(recordNumber, oldImage_, newImage_);
        std::copy(newImage_.begin(), newImage_.end(), record->Image().begin());
        record->MarkDirty();
    }
    access.Finish();
}

void TDataTableImpl::DeleteRecord(int32_t recordNumber) {
    TWriteAccess access(*this, recordNumber, TWriteAccess::TReach::Records);
    PrepareIndexes();
    std::vector<TBlobReference> blobs;
    {
        // Unpinned before the write-back, which leaves pinned records alone.
        const TPinnedRecord record(dataFile_, FetchSlot(recordNumber, true));
        oldImage_.assign(record->Image().begin(), record->Image().end());
        newImage_ = oldImage_;
        SetRecordStatus(newImage_, kRecordDeleted);
        indexes_.Change(recordNumber, oldImage_, newImage_);
        blobs = DetachBlobs(*record);
        dataFile_.Delete(*record);
    }
    indexFile_.DecrementRecordCount();
    FreeDetachedBlobs(blobs);
    access.Finish();
}

void TDataTableImpl::WriteBlob(int32_t recordNumber, const TFieldDescriptor& field,
                               std::span<const uint8_t> contents) {
    const TBlobContents blob{&field, contents};
    WriteBlobs(recordNumber, {&blob, 1});
}

std::vector<TBlobReference> TDataTableImpl::WriteBlobs(int32_t recordNumber,
                                                       std::span<const TBlobContents> blobs) {
    std::vector<const TFieldDescriptor*> fields;
    for (const TBlobContents& blob : blobs) {
        const TFieldDescriptor& own = OwnBlobField(*blob.Field);
        if (std::find(fields.begin(), fields.end(), &own) != fields.end()) {
            RaiseKarteiError(ErrorCode::InvalidBlobField, name_, own.Name);
        }
        fields.push_back(&own);
    }
    TWriteAccess access(*this, recordNumber, TWriteAccess::TReach::Records);
    std::vector<TBlobReference> written;
    std::vector<TBlobReference> replaced;
    {
        // Unpinned before the write-back, which leaves pinned records alone.
        const TPinnedRecord record(dataFile_, FetchSlot(recordNumber, true));
        // New chains: the old ones stay whole until the record on disk names the new ones.
        {
            // The chains stored so far belong to no record. Quietly: the failure to store is the one
            // reported.
            TUndoGuard free([this, &written] { RunQuietly([this, &written] { FreeBlobs(written); }); });
            for (const TBlobContents& blob : blobs) {
                written.push_back(blobFile_.WriteBlob(TBlobReference{}, blob.Contents));
            }
            free.Dismiss();
        }
        const std::span<uint8_t> image = record->Image();
        for (size_t k = 0; k < fields.size(); ++k) {
            const TFieldDescriptor& own = *fields[k];
            if (!IsFieldNull(image, own) && GetBlobField(image, own).Offset != 0) {
                replaced.push_back(GetBlobField(image, own));
            }
            if (written[k].Offset == 0) {
                SetFieldNull(image, own);
            } else {
                SetBlobField(image, own, written[k]);
            }
        }
        record->MarkDirty();
    }
    FreeDetachedBlobs(replaced);
    access.Finish();
    return written;
}

// ---- The whole table

void TDataTableImpl::EmptyTable() {
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Files);
    if (!exclusive_) {
        Raise(ErrorCode::NeedExclusive);
    }
    // Emptying cuts the files at once, which no rollback could take back.
    if (inTransaction_) {
        Raise(ErrorCode::TableInUse);
    }
    dataFile_.EmptyTable();
    if (blobFile_.IsOpen()) {
        blobFile_.Empty();
    }
    indexFile_.Empty();
    indexesLoaded_ = false;
    access.Finish();
}

void TDataTableImpl::RebuildMissingIndex() {
    if (!indexMissing_) {
        return;
    }
    // The new index file is this table's own: even a table whose data file is read-only fills it.
    TWriteAccess access(*this, 0, TWriteAccess::TReach::FilesEvenReadOnly);
    if (!indexFile_.NoPrimaryKey() && indexFile_.Descriptor(kPrimaryIndexSlot).FieldCount == 0) {
        indexFile_.SetNoPrimaryKey(true);
        SyncPrimaryKeyFlag();
    }
    indexesLoaded_ = false;
    int32_t duplicate = 0;
    FillIndexes(duplicate);
    indexMissing_ = false;
    access.Finish();
}

void TDataTableImpl::FillIndexes(int32_t& duplicate) {
    LoadIndexes();
    // The records go through the cache in blocks; records it still holds changed would stay in it.
    dataFile_.WriteBack(false);
    int32_t live = 0;
    const auto read = [&](int32_t number, std::vector<uint8_t>& image) {
        CopySlot(number, image);
        if (RecordStatus(image) == kRecordLive) {
            ++live;
        }
    };
    indexes_.Fill(
        Header().RecordSlotCount(), read, [this](int slot) { return SortFileName(fileNames_.Data, slot); },
        inMemory_, duplicate);
    indexFile_.SetRecordCount(live);
}

void TDataTableImpl::CopySlot(int32_t number, std::vector<uint8_t>& image) {
    const TPinnedRecord record(dataFile_,
                               *dataFile_.Fetch(nullptr, number, TReadDirection::Forward, true, false));
    image.assign(record->Image().begin(), record->Image().end());
}

void TDataTableImpl::PrepareInsert(bool explicitIdentifier) {
    if (indexesDeferred_) {
        return;
    }
    if (indexes_.Deferring()) {
        if (!explicitIdentifier && indexes_.DeferredBytes() <= putOffKeyBytes_) {
            LoadIndexes();
            return;
        }
        // The records to come go in one by one.
        BuildPutOffIndexes();
    } else if (!explicitIdentifier && inTransaction_ && Header().RecordSlotCount() == 0) {
        LoadIndexes();
        if (indexes_.Defer([this](int slot) { return SortFileName(fileNames_.Data, slot); }, inMemory_)) {
            return;
        }
    }
    PrepareIndexes();
}

void TDataTableImpl::BuildPutOffIndexes() {
    if (putOffFailure_) {
        std::rethrow_exception(putOffFailure_);
    }
    if (!indexes_.Deferring()) {
        return;
    }
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Files);
    try {
        indexes_.BuildDeferred();
    } catch (...) {
        putOffFailure_ = std::current_exception();
        throw;
    }
    access.Finish();
}

void TDataTableImpl::DeferIndexes() {
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Files);
    if (!exclusive_) {
        Raise(ErrorCode::NeedExclusive);
    }
    if (inTransaction_ || RecordCount() != 0 || Header().RecordSlotCount() != 0) {
        Raise(ErrorCode::TableInUse);
    }
    indexesDeferred_ = true;
    access.Finish();
}

void TDataTableImpl::BuildDeferredIndexes(int32_t& duplicate) {
    duplicate = 0;
    if (!indexesDeferred_) {
        return;
    }
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Files);
    indexesDeferred_ = false;
    FillIndexes(duplicate);
    access.Finish();
}

}  // namespace kartei
