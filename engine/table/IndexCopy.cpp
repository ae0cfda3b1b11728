// TDataTableImpl: saving a copy of the index file and putting it back.
#include "engine/errors/ErrorContext.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

std::string TDataTableImpl::IndexCopyName() const {
    if (!filesOpen_) {
        Raise(ErrorCode::InvalidHandle);
    }
    // A transaction's index changes are not in the file: a copy would not hold them, and putting one back
    // would leave the transaction's records without their entries.
    if (inTransaction_) {
        Raise(ErrorCode::TableInUse);
    }
    return TableBackupFileNames(inMemory_ ? std::string() : directory_.Path(), name_).Index;
}

void TDataTableImpl::SaveIndexCopy() {
    const std::string copyName = IndexCopyName();
    // What an exclusive table keeps in its caches belongs in the copy.
    WriteBackChanges();
    const TReadAccess access(*this);
    indexFile_.SaveCopy(copyName);
}

void TDataTableImpl::RestoreIndexCopy(bool deleteCopy) {
    const std::string copyName = IndexCopyName();
    if (!indexFile_.Exists(copyName)) {
        RaiseKarteiError(ErrorCode::InvalidPath, copyName);
    }
    TWriteAccess access(*this, 0, TWriteAccess::TReach::Files);
    indexFile_.RestoreCopy(copyName);
    SyncPrimaryKeyFlag();
    access.Finish();
    if (deleteCopy) {
        indexFile_.Delete(copyName);
    }
}

}  // namespace kartei
