#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "engine/files/FileHandler.h"
#include "engine/files/FileLocks.h"
#include "engine/files/LockLayout.h"
#include "kartei/Session.h"

namespace kartei {

// The session's lock settings that tables follow.

// The locks one table holds on its files and the rules for taking them. A read-only table takes no
// locks at all; an exclusive one takes only the transaction lock and record locks inside a transaction.
// Failures raise LockFailed (lock), UnlockFailed (unlock) or RecordLocked (record in use) with the table
// name.
class TTableLocks {
public:
    // Asks whether another process changed the table, and empties the caches when it did. Called once
    // a read or write lock is held.
    using TChangeCheck = std::function<void()>;

    // A table holds at most this many read locks, taken and released independently.
    static constexpr int ReadLockSlots = 2;
    // The slot a record lock takes its read lock in.
    static constexpr int RecordReadLockSlot = 1;

    // The name, handlers and settings are the table's and must outlive this object.
    TTableLocks(const std::string& tableName, TFileHandler& data, TFileHandler& index,
                const TLockSettings& settings, TChangeCheck changeCheck,
                TReadLockDraw draw = DrawReadLockByte);
    TTableLocks(const TTableLocks&) = delete;
    TTableLocks& operator=(const TTableLocks&) = delete;

    // The blob file, when the table has one (nullptr otherwise).
    void SetBlobFile(TFileHandler* blob) { blob_ = blob; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void SetExclusive(bool exclusive) { exclusive_ = exclusive; }

    // The index read lock, then the blob read lock; then the change check. Taking a held slot again
    // does nothing, and so does releasing a free one.
    void LockRead(int slot);
    void UnlockRead(int slot);
    bool HoldsReadLock(int slot) const { return reads_[static_cast<size_t>(slot)].Held; }
    bool HoldsAnyReadLock() const;

    // The data write lock (unless the transaction holds it), the index and the blob write lock; then the
    // change check. Released blob, index, data.
    void LockWrite();
    void UnlockWrite();
    bool HoldsWriteLock() const { return writeHeld_; }
    // The write lock for a change that a transaction keeps in memory until its commit: none once the
    // transaction has looked for other users' changes. Its data write lock keeps every writer out, the
    // files do not change before the commit, and the commit takes the write lock for its writes; readers
    // of other processes need not wait for each change.
    void LockChange();

    // The data write lock, from the start of a transaction until its end. The end also unlocks every
    // record whose unlock was asked for during the transaction.
    void LockTransaction();
    void UnlockTransaction();
    bool InTransaction() const { return inTransaction_; }

    // Locks record N with the session's retries. Outside strict change detection, a shared table first
    // takes a read lock (in RecordReadLockSlot, unless one is held, for the caller to release) and makes
    // the change check, unless its transaction has kept writers out since it looked.
    void LockRecord(uint32_t record);
    void UnlockRecord(uint32_t record);
    bool IsRecordLocked(uint32_t record) const { return records_.contains(record); }

    // At table close: every record lock, read lock, write lock and the transaction lock.
    void ReleaseAll();

private:
    struct TReadLock {
        bool Held = false;
        bool WithBlob = false;
        uint16_t IndexByte = 0;
        uint16_t BlobByte = 0;
    };

    [[noreturn]] void Raise(uint16_t code) const;
    bool TakesNoLocks() const { return readOnly_ || (exclusive_ && !inTransaction_); }
    // The transaction's data lock has kept every writer out since its first look for changes.
    bool WritersKeptOut() const { return transactionOwnsDataLock_ && lookedInTransaction_; }
    // Releases a read lock; false when the system refused.
    bool ReleaseRead(TReadLock& lock);
    // Looks for other users' changes after a lock was taken, unless the transaction's data lock has kept
    // every writer out since the last look.
    void CheckForChanges();
    // Releases the write lock's parts; false when the system refused one.
    bool ReleaseWrite();
    // Unlocks the records selected; false when the system refused one.
    template <typename TSelect>
    bool UnlockRecords(TSelect select);

    const std::string& tableName_;
    TFileHandler& data_;
    TFileHandler& index_;
    TFileHandler* blob_ = nullptr;
    const TLockSettings& settings_;
    TChangeCheck changeCheck_;
    TReadLockDraw draw_;
    bool readOnly_ = false;
    bool exclusive_ = false;

    std::array<TReadLock, ReadLockSlots> reads_{};
    bool writeHeld_ = false;
    bool writeBlob_ = false;
    bool writeOwnsDataLock_ = false;
    bool inTransaction_ = false;
    bool transactionOwnsDataLock_ = false;
    bool lookedInTransaction_ = false;
    // Locked records; true when the unlock waits for the end of the transaction.
    std::map<uint32_t, bool> records_;
};

}  // namespace kartei
