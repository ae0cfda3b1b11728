// TDataTableImpl: opening and closing the files, the contexts of the file objects, changes by other processes
// and transactions. Verification is in DataTableVerify.cpp, changes in DataTableWrite.cpp.
#include "engine/table/DataTable.h"

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/index/IndexKeyLayout.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/WriteJournal.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Errors.h"
#include "kartei/Session.h"

namespace kartei {

TDataTableImpl::TDataTableImpl(TDataDirectoryImpl& directory, std::string name, bool inMemory)
    : directory_(directory),
      name_(std::move(name)),
      inMemory_(inMemory),
      fileNames_(TableFileNames(inMemory ? std::string() : directory.Path(), name_)),
      dataFile_(*this),
      blobFile_(*this),
      locks_(name_, dataFile_, indexFile_, directory.Session().LockSettings(), [this] { CheckForChanges(); }),
      indexes_(indexFile_) {
    dataFile_.SetInMemory(inMemory);
    indexFile_.SetInMemory(inMemory);
    blobFile_.SetInMemory(inMemory);
}

TDataTableImpl::~TDataTableImpl() {
    RunQuietly([this] { CloseFiles(); });  // a destructor reports nothing
}

TDataSession& TDataTableImpl::Session() const {
    return directory_.Session();
}

bool TDataTableImpl::ForceBufferFlush() const {
    return Session().ForceBufferFlush();
}

bool TDataTableImpl::StrictChangeDetection() const {
    return Session().StrictChangeDetection();
}

void TDataTableImpl::Raise(uint16_t code) const {
    RaiseKarteiError(code, name_);
}

void TDataTableImpl::SyncContexts() {
    TIndexFileContext& context = indexFile_.Context();
    context.TableName = name_;
    context.Encrypted = dataFile_.IsOpen() && dataFile_.Header().IsEncrypted();
    context.ForceBufferFlush = Session().ForceBufferFlush();
    context.InTransaction = inTransaction_;
    context.Exclusive = OthersKeptOut();
}

// ---- Opening and closing

void TDataTableImpl::OpenFiles(bool exclusive) {
    openCount_ = 1;
    if (filesOpen_) {
        return;
    }
    exclusive_ = exclusive;
    indexMissing_ = false;
    writtenChanges_ = false;
    changedInTransaction_ = false;
    indexesLoaded_ = false;
    keyLocale_.reset();
    const TCacheSettings& caches = Session().CacheSettings();
    dataFile_.SetCacheSettings(caches);
    indexFile_.SetPagesPerIndex(caches.PagesPerIndex, caches.ShareIndexPages);
    indexFile_.SetTransactionPages(static_cast<size_t>(caches.TransactionCacheBytes) / kIndexPageSize);
    putOffKeyBytes_ = caches.PutOffKeyBytes;
    {
        // Quietly: the failure to open is the one reported.
        TUndoGuard close([this] {
            openCount_ = 0;
            RunQuietly([this] { CloseFileHandlers(); });
        });
        dataFile_.Open(fileNames_.Data, exclusive);
        SyncContexts();
        OpenIndexFile();
        if (dataFile_.Header().BlobFieldCount > 0) {
            OpenBlobFile();
        }
        close.Dismiss();
    }
    readOnly_ = dataFile_.OpenedReadOnly() || indexFile_.OpenedReadOnly() ||
                (blobFile_.IsOpen() && blobFile_.OpenedReadOnly());
    locks_.SetReadOnly(readOnly_);
    locks_.SetExclusive(exclusive_);
    SyncContexts();
    journalLooked_ = false;
    if (OthersKeptOut()) {
        // Nobody else can meet the journal of a commit that never ended: this open puts the files back.
        journalLooked_ = true;
        ReplayJournal();
        DeleteLeftoverSpills();
    }
    locks_.SetBlobFile(BlobFile());
    SyncPrimaryKeyFlag();
    filesOpen_ = true;
}

void TDataTableImpl::OpenIndexFile() {
    try {
        indexFile_.Open(fileNames_.Index, exclusive_);
        return;
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() != ErrorCode::InvalidPath) {
            throw;
        }
    }
    // No index file: an empty one stands in until the first cursor rebuilds it.
    indexFile_.Create(fileNames_.Index);
    indexFile_.Close();
    indexFile_.Open(fileNames_.Index, exclusive_);
    indexMissing_ = true;
}

void TDataTableImpl::OpenBlobFile() {
    const TDataHeader& header = dataFile_.Header();
    blobFile_.SetFormat(static_cast<uint16_t>(header.BlobBlockSize), header.IsEncrypted());
    blobFile_.Open(fileNames_.Blob, exclusive_);
}

void TDataTableImpl::CloseFileHandlers() {
    // Index, blob, data: the order other users of the files expect.
    TFirstError failure;
    const auto close = [&failure](TFileHandler& file) {
        failure.Run([&file] {
            if (file.IsOpen()) {
                file.Close();
            }
        });
    };
    close(indexFile_);
    close(blobFile_);
    close(dataFile_);
    failure.Raise();
}

void TDataTableImpl::CloseFiles() {
    openCount_ = 0;
    if (!filesOpen_) {
        return;
    }
    TFirstError failure;
    // The files never keep records that their indexes lack.
    failure.Run([this] {
        int32_t duplicate = 0;
        BuildDeferredIndexes(duplicate);
        WriteBackChanges();
    });
    failure.Run([this] { locks_.ReleaseAll(); });
    filesOpen_ = false;
    inTransaction_ = false;
    indexesLoaded_ = false;
    failure.Run([this] { CloseFileHandlers(); });
    failure.Raise();
}

void TDataTableImpl::WriteBackChanges() {
    // Blobs before the records that refer to them, the records before the index entries that lead to them;
    // and none of it when the index pages could not all be written. A transaction writes nothing until it
    // commits, and looking through all the pages it holds after each change would cost time growing with
    // the square of its changes.
    if (!inTransaction_) {
        indexFile_.CheckPagesFit();
    }
    if (blobFile_.IsOpen()) {
        blobFile_.WriteBack(false);
    }
    dataFile_.WriteBack(false);
    indexFile_.Flush();
}

void TDataTableImpl::Commit(const std::vector<TBlobReference>& blobs) {
    TWriteJournal journal;
    // A memory table has no crash to survive, and a transaction that changed nothing writes nothing.
    const bool journalled = changedInTransaction_ && !inMemory_;
    // The journal stays when it cannot be rolled back: the next look for other users' changes (or the next
    // open) replays it.
    TUndoGuard rollBack([this, &journal, journalled] {
        if (journalled && !RunQuietly([&journal] { journal.RollBack(); })) {
            journalLooked_ = false;
        }
    });
    if (journalled) {
        TFileHandler* const files[] = {&dataFile_, &indexFile_, &blobFile_};
        journal.Begin(JournalFileName(fileNames_.Data), files, ForceBufferFlush());
        // Other users learn of the commit from the data header first: one that meets the journal of a
        // commit that never ended then puts the files back before it reads them.
        dataFile_.WriteHeaderNow();
    }
    WriteBackChanges();
    // The records that named the detached chains are on disk now.
    if (!blobs.empty()) {
        FreeBlobs(blobs);
        blobFile_.WriteBack(false);
    }
    if (journalled) {
        journal.Finish();
    }
    rollBack.Dismiss();
}

void TDataTableImpl::ReloadFiles() {
    // Every file forgets its changes before any header is read again: when a read fails, nothing is left
    // that a later write-back (at close, say) could write. The table then reloads before its next use.
    filesStale_ = true;
    indexesLoaded_ = false;
    dataFile_.DiscardChanges();
    indexFile_.DiscardChanges();
    if (blobFile_.IsOpen()) {
        blobFile_.RereadHeader();
    }
    dataFile_.RereadHeader();
    SyncPrimaryKeyFlag();
    filesStale_ = false;
}

void TDataTableImpl::ReloadIfStale() {
    if (filesStale_) {
        ReloadFiles();
    }
}

bool TDataTableImpl::ReplayJournal() {
    if (inMemory_ || readOnly_) {
        return false;
    }
    TFileHandler* const files[] = {&dataFile_, &indexFile_, &blobFile_};
    if (!TWriteJournal::Replay(JournalFileName(fileNames_.Data), files)) {
        return false;
    }
    ReloadFiles();
    return true;
}

void TDataTableImpl::DeleteLeftoverSpills() {
    // Only a transaction spills, and it deletes its files when it ends: a spill file met by the holder
    // of the transaction lock or an exclusive opener was left by a process that died in a transaction.
    if (inMemory_ || readOnly_) {
        return;
    }
    TSpillFile::DeleteLeftover(SpillFileName(fileNames_.Data));
    TSpillFile::DeleteLeftover(SpillFileName(fileNames_.Index));
}

void TDataTableImpl::TrimCaches() {
    dataFile_.TrimCache();
    if (blobFile_.IsOpen()) {
        blobFile_.TrimCache();
    }
}

void TDataTableImpl::WriteBack() {
    if (filesOpen_) {
        WriteBackChanges();
    }
}

// ---- Keys

const TKeyLocale& TDataTableImpl::KeyLocale() {
    if (!keyLocale_) {
        keyLocale_ = KeyLocaleFor(Header().LanguageId, Header().SortId);
        if (!keyLocale_) {
            Raise(ErrorCode::LanguageDriverMissing);
        }
    }
    return *keyLocale_;
}

TKeyLayout TDataTableImpl::KeyLayout(int slot) {
    return MakeKeyLayout(indexFile_.Descriptor(slot), slot, Fields(), KeyLocale(), name_);
}

void TDataTableImpl::PrepareIndexes() {
    BuildPutOffIndexes();
    if (indexesDeferred_) {
        // Any use of the indexes but adding records needs them whole.
        indexesDeferred_ = false;
        int32_t duplicate = 0;
        FillIndexes(duplicate);
        return;
    }
    LoadIndexes();
}

void TDataTableImpl::LoadIndexes() {
    if (indexesLoaded_ && indexesGeneration_ == indexFile_.Generation()) {
        return;
    }
    indexesLoaded_ = false;
    indexes_.Load(Fields(), KeyLocale(), name_);
    indexesLoaded_ = true;
    indexesGeneration_ = indexFile_.Generation();
}

// ---- Changes by other processes

bool TDataTableImpl::CheckForChanges() {
    if (!filesOpen_ || OthersKeptOut()) {
        return false;
    }
    bool changed = false;
    if (dataFile_.CheckForChange()) {
        dataFile_.DiscardCache();
        changed = true;
    }
    changed = indexFile_.ReloadHeader() || changed;
    changed = (blobFile_.IsOpen() && blobFile_.CheckForChange()) || changed;
    // A commit announces itself in the data header first. Its journal, met under a lock that keeps every
    // writer out, belongs to a commit that never ended: the files go back as they were before it. (Every
    // user that meets it writes the same original bytes, so two of them may do it at once.)
    if (changed || !journalLooked_) {
        journalLooked_ = true;
        changed = ReplayJournal() || changed;
    }
    if (changed) {
        ++changeGeneration_;
        SyncPrimaryKeyFlag();
    }
    return changed;
}

// ---- Transactions

void TDataTableImpl::JoinTransaction() {
    if (inTransaction_ || !filesOpen_) {
        return;
    }
    // What an exclusive table changed before belongs to no transaction and is not rolled back with it.
    WriteBackChanges();
    locks_.LockTransaction();
    DeleteLeftoverSpills();
    inTransaction_ = true;
    changedInTransaction_ = false;
    SyncContexts();
}

void TDataTableImpl::EndTransaction(bool commit) {
    if (!inTransaction_) {
        return;
    }
    TFirstError failure;
    std::vector<TBlobReference> blobs = std::move(blobsToFree_);
    blobsToFree_.clear();
    bool committed = false;
    if (commit) {
        failure.Run([this, &blobs, &committed] {
            // Entries put off go in before anything is written.
            BuildPutOffIndexes();
            // The data write lock is the transaction's; the index and blob files are locked for the writes.
            locks_.LockWrite();
            inTransaction_ = false;
            SyncContexts();
            Commit(blobs);
            committed = true;
        });
    }
    inTransaction_ = false;
    SyncContexts();
    if (!committed) {
        indexes_.EndDeferring();
        putOffFailure_ = nullptr;
        // Rolled back, or a commit that failed and left the files as they were: the caches go too.
        failure.Run([this] { ReloadFiles(); });
    }
    TrimCaches();
    failure.Run([this] { locks_.UnlockWrite(); });
    failure.Run([this] { locks_.UnlockTransaction(); });
    failure.Raise();
}

}  // namespace kartei
