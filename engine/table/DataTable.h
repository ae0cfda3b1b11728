#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/blob/BlobFile.h"
#include "engine/blob/BlobFileContext.h"
#include "engine/data/DataFile.h"
#include "engine/data/DataFileContext.h"
#include "engine/files/EngineMemory.h"
#include "engine/files/TableLocks.h"
#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"
#include "engine/format/TableFileNames.h"
#include "engine/index/IndexFile.h"
#include "engine/keys/KeyLayout.h"
#include "engine/keys/KeyLocale.h"
#include "engine/table/RecordIndexes.h"
#include "kartei/Directory.h"
#include "kartei/Table.h"

namespace kartei {

class TDataDirectoryImpl;
class TDataSession;

// The engine's side of an open table (kartei/Table.h): its data, index and blob files, the locks it holds on
// them, and the changes that go through them. A read-only table takes no locks. An exclusive table keeps
// its changes in its caches until it closes or WriteBack.
class TDataTableImpl final : public TDataTable, private TDataFileContext, private TBlobFileContext {
public:
    // `name` with its extension; the files are named in the directory's path, or bare for memory files.
    TDataTableImpl(TDataDirectoryImpl& directory, std::string name, bool inMemory);
    // Closes the files; failures are dropped here.
    ~TDataTableImpl() override;
    TDataTableImpl(const TDataTableImpl&) = delete;
    TDataTableImpl& operator=(const TDataTableImpl&) = delete;

    TDataDirectoryImpl& Directory() const { return directory_; }
    TDataSession& Session() const;
    // The table name engine errors carry, with ".DAT".
    const std::string& Name() const { return name_; }
    const TTableFileNames& FileNames() const { return fileNames_; }
    bool InMemory() const { return inMemory_; }

    int OpenCount() const { return openCount_; }
    bool FilesOpen() const { return filesOpen_; }
    bool Exclusive() const override { return exclusive_; }
    // No other process can change the table: it is open exclusively with files it may write. (A process
    // that may only read the files takes no write lock on them and so cannot keep writers out.) Only then
    // are other users' changes not looked for.
    bool OthersKeptOut() const { return exclusive_ && !readOnly_; }
    // Some file could be opened for reading only.
    bool ReadOnly() const { return readOnly_; }
    // The index file was missing and has been created empty: RebuildMissingIndex fills it.
    bool IndexMissing() const { return indexMissing_; }
    bool InTransaction() const override { return inTransaction_; }

    TDataFile& DataFile() { return dataFile_; }
    TIndexFile& IndexFile() { return indexFile_; }
    // nullptr when the table has no blob fields.
    TBlobFile* BlobFile() { return blobFile_.IsOpen() ? &blobFile_ : nullptr; }
    TTableLocks& Locks() { return locks_; }

    // Header values and field descriptors, as the data file holds them.
    const TDataHeader& Header() const { return dataFile_.Header(); }
    std::span<const TFieldDescriptor> Fields() const { return dataFile_.Descriptors(); }
    // Names compare without regard to case; nullptr when there is no such field.
    const TFieldDescriptor* FindField(std::string_view name) const { return dataFile_.FindDescriptor(name); }
    bool NoPrimaryKey() const { return indexFile_.NoPrimaryKey(); }
    // Active records, as the index file counts them.
    int32_t RecordCount() const { return indexFile_.RecordCount(); }

    // The table's key locale; LanguageDriverMissing when no collation is available for its language.
    const TKeyLocale& KeyLocale();
    // The key layout of an index slot (31: the deleted-record index); HeaderCorrupt when its definition does
    // not fit the fields.
    TKeyLayout KeyLayout(int slot);

    // Whether another process changed the table since this one last looked: the caches then are emptied,
    // and ChangeGeneration grows. The table's locks call it once they are taken.
    bool CheckForChanges();
    uint64_t ChangeGeneration() const { return changeGeneration_; }

    // The first cursor's part of opening. NeedsVerification: the cursor is the only user, the table has
    // changed nothing in a transaction, and the request wants the check.
    bool NeedsVerification(const TTableOpenRequest& request) const;
    // Under the index read lock: the data file's checks, the index file's header check (unless the index
    // file is missing) and the blob file's header check.
    void VerifyFiles();
    // For an encrypted table: until the session holds the table's password, the session's password
    // callback is asked; PasswordRequired when it gives up or none is installed.
    void CheckPassword();
    // When the index file was missing: enters every record slot into the indexes (live records into all of
    // them, deleted ones into the deleted-record index), counts the live records, and sets the
    // no-primary-key flag when the primary index has no fields. Under the write lock; nothing otherwise.
    void RebuildMissingIndex();
    // Filling a new table: until BuildDeferredIndexes, InsertRecord leaves the indexes alone, and nothing
    // but InsertRecord and WriteBlob may use the table. Then every index is built from the sorted keys of
    // all records at once (full pages, no splits), much faster than entry by entry. Only for an exclusive
    // table (NeedExclusive) without records outside a transaction (TableInUse).
    void DeferIndexes();
    // A key held twice is DuplicateKey (TRecordIndexes::Fill), `duplicate` then holds the lowest record
    // number that repeats one held by a lower one; the indexes are then unusable and the table is to be
    // dropped.
    void BuildDeferredIndexes(int32_t& duplicate);

    // Copies record slot `recordNumber` (live or deleted) into `image` (record size bytes). RecordNotFound
    // for a number that is no slot. `readAhead`: a walk through the slots in order, whose next records come
    // with the same read.
    void ReadRecord(int32_t recordNumber, std::span<uint8_t> image, bool readAhead = false);
    // This table's descriptor for a blob field (found by its number); InvalidBlobField otherwise.
    const TFieldDescriptor& OwnBlobField(const TFieldDescriptor& field) const;
    // The contents of a blob field of a record image into `contents`; returns the length. InvalidBlobField
    // for a field that is not a blob field of this table.
    size_t ReadBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, TEngineBuffer& contents);

    // Stores a new record (record size bytes; status, number and blob fields are the table's business) and
    // returns its record number: the free list's head, or a new slot at the end. It gets the next
    // auto-increment value, or keeps its own with `keepAutoIncValue`. Blob fields start empty. DuplicateKey
    // when an index already holds one of its keys (or another slot its identifier), with nothing changed.
    int32_t InsertRecord(std::span<const uint8_t> image, bool keepAutoIncValue = false);
    // Replaces the fields of a live record; its identifier and blob fields stay (WriteBlob changes those).
    // Entries move in every index whose key changes; DuplicateKey, with nothing changed, when a new key is
    // taken. RecordNotFound for a number that is no slot, RecordChanged for a deleted record.
    void ModifyRecord(int32_t recordNumber, std::span<const uint8_t> image);
    // Deletes a live record: its index entries go, its blobs are freed, its slot joins the free list.
    void DeleteRecord(int32_t recordNumber);
    // Removes every record. The table must be open exclusively (NeedExclusive) and outside a transaction
    // (TableInUse).
    void EmptyTable();
    // Replaces the contents of a blob field of a live record (empty contents leave the field null).
    void WriteBlob(int32_t recordNumber, const TFieldDescriptor& field, std::span<const uint8_t> contents);
    // New contents for one blob field.
    struct TBlobContents {
        const TFieldDescriptor* Field;
        std::span<const uint8_t> Contents;
    };
    // Replaces the contents of several blob fields of a live record in one change and returns the references
    // the record holds now, in the order given (offset 0: the field is null). A field given twice is
    // InvalidBlobField. When one cannot be stored, the record keeps all its blobs.
    std::vector<TBlobReference> WriteBlobs(int32_t recordNumber, std::span<const TBlobContents> blobs);
    // Writes the changes an exclusive table keeps in its caches.
    void WriteBack();

    // A copy of the index file under its backup name (".IBK"), replacing an older one: cached changes are
    // written first, and the copy is taken under the read lock. (IndexCopy.cpp)
    void SaveIndexCopy();
    // Puts the saved copy back as the index file, under the write lock, and deletes the copy when asked.
    // Cursors find their positions again as after another user's change. InvalidPath (for the copy) when
    // there is none; AccessDenied for a read-only table. The copy describes the records as they were when it
    // was saved. Both refuse a table in a transaction (TableInUse): its index changes are not in the file.
    void RestoreIndexCopy(bool deleteCopy);

    // The index read lock for a read, unless the table holds a read or the write lock already. A read
    // that uses the indexes (`usesIndexes`) finds every record in them: entries put off are entered first.
    class TReadAccess {
    public:
        explicit TReadAccess(TDataTableImpl& table, bool usesIndexes = true);
        ~TReadAccess();
        // Whether this access took the lock (and with it looked for other users' changes).
        bool Taken() const { return taken_; }
        TReadAccess(const TReadAccess&) = delete;
        TReadAccess& operator=(const TReadAccess&) = delete;

    private:
        TDataTableImpl& table_;
        bool taken_ = false;
    };

private:
    friend class TDataDirectoryImpl;

    // A change: the record's lock when one is named and not held, then the write lock (which a change of
    // records inside a transaction takes only until the transaction has looked for other users' changes);
    // Finish writes back and releases. Left unfinished (a failure), what the caches hold is written back as
    // far as it goes.
    class TWriteAccess {
    public:
        enum class TReach {
            // Records, their index entries and blobs: a transaction keeps them in memory until it commits.
            Records,
            // The files at once (an index file filled or restored, a table emptied).
            Files,
            // The files at once, even when the data file is read-only (the table's own new index file).
            FilesEvenReadOnly,
        };
        TWriteAccess(TDataTableImpl& table, int32_t recordNumber, TReach reach);
        ~TWriteAccess();
        TWriteAccess(const TWriteAccess&) = delete;
        TWriteAccess& operator=(const TWriteAccess&) = delete;
        void Finish();

    private:
        void ReleaseReadLocks();
        void Release();

        TDataTableImpl& table_;
        int32_t lockedRecord_ = 0;
        bool released_ = false;
    };

    // A record fetched from the data file, pinned while the object lives.
    class TPinnedRecord {
    public:
        TPinnedRecord(TDataFile& file, TRecord& record) : file_(file), record_(record) {}
        ~TPinnedRecord() { file_.Release(record_); }
        TPinnedRecord(const TPinnedRecord&) = delete;
        TPinnedRecord& operator=(const TPinnedRecord&) = delete;
        TRecord& operator*() const { return record_; }
        TRecord* operator->() const { return &record_; }

    private:
        TDataFile& file_;
        TRecord& record_;
    };

    // The directory's part.
    void OpenFiles(bool exclusive);
    void CloseFiles();
    void AddUser() { ++openCount_; }
    void RemoveUser() { --openCount_; }
    void JoinTransaction();
    void EndTransaction(bool commit);
    void SettingsChanged() { SyncContexts(); }

    void OpenIndexFile();
    void OpenBlobFile();
    void CloseFileHandlers();
    // The index file's context follows the session and the table's state.
    void SyncContexts();
    void SyncPrimaryKeyFlag() { dataFile_.SetPrimaryIndexHasNoKeyFields(indexFile_.NoPrimaryKey()); }
    void WriteBackChanges();
    // The indexes as the index file's header describes them; deferred ones are built first.
    void PrepareIndexes();
    void LoadIndexes();
    // The indexes as an insertion needs them. A new table filled in a transaction puts the entries of its
    // records off (TRecordIndexes::Defer) until anything else uses the table, the kept keys outgrow
    // TCacheSettings::PutOffKeyBytes, a record comes with an identifier of its own, or the transaction
    // commits; then each index is built from its sorted keys at once.
    void PrepareInsert(bool explicitIdentifier);
    bool EntriesPutOff() const { return indexesDeferred_ || indexes_.Deferring(); }
    // Builds the indexes whose entries a transaction put off. A failure leaves them half built: it is
    // raised again by every later use of the table until the transaction ends, and a commit rolls back.
    void BuildPutOffIndexes();
    // Copies record slot `number` (live or deleted) into `image`, unlocked: for filling indexes.
    void CopySlot(int32_t number, std::vector<uint8_t>& image);
    // Enters every record slot into the indexes, all empty, and counts the live records.
    void FillIndexes(int32_t& duplicate);
    void NoteChange();
    // The index file's backup name, for a table outside a transaction.
    std::string IndexCopyName() const;

    [[noreturn]] void Raise(uint16_t code) const;
    void CheckImage(std::span<const uint8_t> image) const;
    // A record slot, pinned; RecordNotFound when there is none of that number. `live`: RecordChanged for a
    // deleted record.
    TRecord& FetchSlot(int32_t recordNumber, bool live, bool readAhead = false);
    // Blob fields of a new record start empty; a changed record keeps the stored ones.
    void ClearBlobFields(std::span<uint8_t> image) const;
    void CopyBlobFields(std::span<const uint8_t> from, std::span<uint8_t> to) const;
    // Takes the blob references out of a record (its fields become null) for FreeDetachedBlobs.
    std::vector<TBlobReference> DetachBlobs(TRecord& record) const;
    // Frees chains no record names any more, once the records that named them are written: at once
    // (after writing the changes back), or in a transaction when it is committed. Until then their blocks
    // are not reused, so that no record on disk ever names a freed or reused block.
    void FreeDetachedBlobs(const std::vector<TBlobReference>& blobs);
    void FreeBlobs(const std::vector<TBlobReference>& blobs);
    // A transaction has ended: what it grew in the caches is given back.
    void TrimCaches();
    // Deletes spill files that a process which died in a transaction left behind.
    void DeleteLeftoverSpills();
    // Writes a transaction's changes under a journal, so that the files show all of them or none; then
    // frees the blob chains it detached. A failure puts the files back and is raised.
    void Commit(const std::vector<TBlobReference>& blobs);
    // The caches are dropped and the headers read again: after a rollback, or files put back.
    void ReloadFiles();
    // Again, when a reload failed halfway: nothing is read or changed with headers that are not the files'.
    void ReloadIfStale();
    // Puts the files back from the journal of a commit that never ended, if there is one.
    bool ReplayJournal();

    // TDataFileContext and TBlobFileContext.
    const std::string& TableName() const override { return name_; }
    const std::string& BlobTableName() const override { return name_; }
    bool ForceBufferFlush() const override;
    bool StrictChangeDetection() const override;
    bool TransactionLocked() const override { return inTransaction_; }
    bool HasWrittenChanges() const override { return writtenChanges_; }
    void NoteWrittenChanges() override { writtenChanges_ = true; }
    int32_t TakeBlobSequenceNumber() override { return dataFile_.NextBlobSequenceNumber(); }

    TDataDirectoryImpl& directory_;
    const std::string name_;
    const bool inMemory_;
    const TTableFileNames fileNames_;
    TDataFile dataFile_;
    TIndexFile indexFile_;
    TBlobFile blobFile_;
    TTableLocks locks_;
    TRecordIndexes indexes_;
    bool indexesLoaded_ = false;
    // InsertRecord leaves the indexes to BuildDeferredIndexes.
    bool indexesDeferred_ = false;
    // Why building the entries a transaction put off failed.
    std::exception_ptr putOffFailure_;
    size_t putOffKeyBytes_ = 0;
    uint64_t indexesGeneration_ = 0;
    std::optional<TKeyLocale> keyLocale_;

    int openCount_ = 0;
    bool filesOpen_ = false;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool indexMissing_ = false;
    bool inTransaction_ = false;
    bool changedInTransaction_ = false;
    // Set by every change and every write, so that a short block read of appended records is accepted.
    bool writtenChanges_ = false;
    uint64_t changeGeneration_ = 0;
    // Whether this open has looked for a journal left behind by another user's commit.
    bool journalLooked_ = false;
    // A reload of the files failed: the headers held may not be the files'.
    bool filesStale_ = false;

    // Chains a transaction detached from its records, freed when it commits.
    std::vector<TBlobReference> blobsToFree_;
    // Record images of a change, before and after.
    std::vector<uint8_t> oldImage_;
    std::vector<uint8_t> newImage_;
};

// The engine's side of a table of the face.
inline TDataTableImpl& Inside(TDataTable& table) {
    return static_cast<TDataTableImpl&>(table);
}
inline const TDataTableImpl& Inside(const TDataTable& table) {
    return static_cast<const TDataTableImpl&>(table);
}

}  // namespace kartei
