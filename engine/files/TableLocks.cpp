#include "engine/files/TableLocks.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

TTableLocks::TTableLocks(const std::string& tableName, TFileHandler& data, TFileHandler& index,
                         const TLockSettings& settings, TChangeCheck changeCheck, TReadLockDraw draw)
    : tableName_(tableName),
      data_(data),
      index_(index),
      settings_(settings),
      changeCheck_(std::move(changeCheck)),
      draw_(std::move(draw)) {}

void TTableLocks::Raise(uint16_t code) const {
    RaiseKarteiError(code, tableName_);
}

void TTableLocks::CheckForChanges() {
    // While the transaction holds the data write lock no other writer gets in: what the first look after
    // taking it found stays true until the transaction ends.
    if (WritersKeptOut()) {
        return;
    }
    changeCheck_();
    lookedInTransaction_ = transactionOwnsDataLock_;
}

bool TTableLocks::HoldsAnyReadLock() const {
    return std::any_of(reads_.begin(), reads_.end(), [](const TReadLock& lock) { return lock.Held; });
}

void TTableLocks::LockRead(int slot) {
    TReadLock& lock = reads_.at(static_cast<size_t>(slot));
    if (readOnly_ || exclusive_ || lock.Held) {
        return;
    }
    TReadLock taken;
    if (!LockFileRead(index_, draw_, taken.IndexByte)) {
        Raise(ErrorCode::LockFailed);
    }
    if (blob_ != nullptr) {
        if (!LockFileRead(*blob_, draw_, taken.BlobByte)) {
            UnlockFileRead(index_, taken.IndexByte);
            Raise(ErrorCode::LockFailed);
        }
        taken.WithBlob = true;
    }
    taken.Held = true;
    lock = taken;
    UndoOnError([this] { CheckForChanges(); }, [this, &lock] { ReleaseRead(lock); });
}

bool TTableLocks::ReleaseRead(TReadLock& lock) {
    bool released = true;
    if (lock.WithBlob) {
        released = UnlockFileRead(*blob_, lock.BlobByte);
    }
    released = UnlockFileRead(index_, lock.IndexByte) && released;
    lock = TReadLock{};
    return released;
}

void TTableLocks::UnlockRead(int slot) {
    TReadLock& lock = reads_.at(static_cast<size_t>(slot));
    if (lock.Held && !ReleaseRead(lock)) {
        Raise(ErrorCode::UnlockFailed);
    }
}

void TTableLocks::LockWrite() {
    if (readOnly_ || exclusive_ || writeHeld_) {
        return;
    }
    const bool takeData = !transactionOwnsDataLock_;
    if (takeData && !LockDataWrite(data_)) {
        Raise(ErrorCode::LockFailed);
    }
    if (!LockFileWrite(index_)) {
        if (takeData) {
            UnlockDataWrite(data_);
        }
        Raise(ErrorCode::LockFailed);
    }
    if (blob_ != nullptr && !LockFileWrite(*blob_)) {
        UnlockFileWrite(index_);
        if (takeData) {
            UnlockDataWrite(data_);
        }
        Raise(ErrorCode::LockFailed);
    }
    writeHeld_ = true;
    writeBlob_ = blob_ != nullptr;
    writeOwnsDataLock_ = takeData;
    UndoOnError([this] { CheckForChanges(); }, [this] { ReleaseWrite(); });
}

void TTableLocks::LockChange() {
    if (!WritersKeptOut()) {
        LockWrite();
    }
}

bool TTableLocks::ReleaseWrite() {
    bool released = true;
    if (writeBlob_) {
        released = UnlockFileWrite(*blob_);
    }
    released = UnlockFileWrite(index_) && released;
    if (writeOwnsDataLock_) {
        released = UnlockDataWrite(data_) && released;
    }
    writeHeld_ = writeBlob_ = writeOwnsDataLock_ = false;
    return released;
}

void TTableLocks::UnlockWrite() {
    if (writeHeld_ && !ReleaseWrite()) {
        Raise(ErrorCode::LockFailed);
    }
}

void TTableLocks::LockTransaction() {
    if (inTransaction_) {
        return;
    }
    if (!readOnly_) {
        if (writeOwnsDataLock_) {
            // A write in progress already holds the byte: the transaction takes it over.
            writeOwnsDataLock_ = false;
        } else if (!LockDataWrite(data_)) {
            Raise(ErrorCode::LockFailed);
        }
        transactionOwnsDataLock_ = true;
        lookedInTransaction_ = false;
    }
    inTransaction_ = true;
}

template <typename TSelect>
bool TTableLocks::UnlockRecords(TSelect select) {
    bool released = true;
    for (auto it = records_.begin(); it != records_.end();) {
        if (!select(it->second)) {
            ++it;
        } else if (kartei::UnlockRecord(data_, it->first)) {
            it = records_.erase(it);
        } else {
            released = false;
            ++it;
        }
    }
    return released;
}

void TTableLocks::UnlockTransaction() {
    if (!inTransaction_) {
        return;
    }
    inTransaction_ = false;
    const bool recordsReleased = UnlockRecords([](bool marked) { return marked; });
    bool dataReleased = true;
    if (transactionOwnsDataLock_) {
        transactionOwnsDataLock_ = false;
        if (writeHeld_) {
            writeOwnsDataLock_ = true;  // the write in progress keeps the byte
        } else {
            dataReleased = UnlockDataWrite(data_);
        }
    }
    if (!dataReleased) {
        Raise(ErrorCode::LockFailed);
    }
    if (!recordsReleased) {
        Raise(ErrorCode::UnlockFailed);
    }
}

void TTableLocks::LockRecord(uint32_t record) {
    if (readOnly_) {
        return;
    }
    if (const auto it = records_.find(record); it != records_.end() && inTransaction_) {
        it->second = false;  // edited again: no longer waiting for the end of the transaction
        return;
    }
    if (exclusive_ && !inTransaction_) {
        return;
    }
    // The read lock is for the change check alone, which a transaction that kept writers out skips.
    if (!settings_.StrictChangeDetection && !exclusive_ && !WritersKeptOut()) {
        if (HoldsAnyReadLock()) {
            CheckForChanges();
        } else {
            LockRead(RecordReadLockSlot);
        }
    }
    if (!kartei::LockRecord(data_, record, settings_.LockRetryCount, settings_.LockWaitTime)) {
        Raise(ErrorCode::RecordLocked);
    }
    records_[record] = false;
}

void TTableLocks::UnlockRecord(uint32_t record) {
    if (readOnly_) {
        return;
    }
    const auto it = records_.find(record);
    if (it == records_.end()) {
        if (exclusive_ && !inTransaction_) {
            return;  // an exclusive table locked nothing
        }
        Raise(ErrorCode::UnlockFailed);
    }
    if (inTransaction_) {
        it->second = true;
        return;
    }
    if (!kartei::UnlockRecord(data_, record)) {
        Raise(ErrorCode::UnlockFailed);
    }
    records_.erase(it);
}

void TTableLocks::ReleaseAll() {
    bool released = UnlockRecords([](bool) { return true; });
    records_.clear();  // what the system refused goes with the descriptor
    for (TReadLock& lock : reads_) {
        if (lock.Held) {
            released = ReleaseRead(lock) && released;
        }
    }
    if (writeHeld_) {
        released = ReleaseWrite() && released;
    }
    if (transactionOwnsDataLock_) {
        released = UnlockDataWrite(data_) && released;
    }
    inTransaction_ = transactionOwnsDataLock_ = false;
    if (!released) {
        Raise(ErrorCode::UnlockFailed);
    }
}

}  // namespace kartei
