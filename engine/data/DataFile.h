#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/data/CachedRecordMap.h"
#include "engine/data/DataFileContext.h"
#include "engine/data/FetchCursor.h"
#include "engine/data/MruChain.h"
#include "engine/data/Record.h"
#include "engine/data/RecordStack.h"
#include "engine/files/EngineMemory.h"
#include "engine/files/FileHandler.h"
#include "engine/files/SpillFile.h"
#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"
#include "kartei/Session.h"

namespace kartei {

// Counters for tuning and tests; reset when the file opens.
struct TDataFileStatistics {
    int64_t RecordsHandedOut = 0;
    int64_t BlockReadsStarted = 0;
    int64_t BlockReadsFinished = 0;
    int64_t WriteRuns = 0;
};

// The open data file of one table, shared by all its cursors: the header and field descriptors in
// memory, and a cache of records with read-ahead, written back in runs of consecutive records. Other
// processes' changes are noticed through the header's change count. Engine errors carry the table name
// of the context; read and write failures (ReadError, WriteError) the file name.
class TDataFile : public TFileHandler {
public:
    // Block reads cover at most this many bytes.
    static constexpr int32_t ReadAheadBytes = 65535;
    // A full cache under a transaction lock grows by this many records, up to the transaction's budget
    // (TCacheSettings::TransactionCacheBytes); beyond it the changed records go to the spill file.
    static constexpr int32_t CacheGrowth = 255;
    // The newest records checked before the cache is searched.
    static constexpr int MruProbes = 4;
    static constexpr size_t FileBufferStep = 32767;

    explicit TDataFile(TDataFileContext& context);
    ~TDataFile() override;

    // Opens the file and reads the header and the field descriptors (unscrambled when encrypted);
    // HeaderCorrupt for a header with more than 1024 fields or descriptors that do not fit the record size. A
    // failed open leaves the file closed.
    void Open(std::string_view fileName, bool exclusive, bool temporary = false) override;
    // Drops the cache (unwritten changes are lost: write back first) and the descriptors, and closes.
    void Close() override;

    // Record `recordNumber`, pinned: from the cache, or read with the block around it. The record after
    // the last one is a new slot at the end of the file (TableFull when the table is full); 0, a negative
    // number or one beyond that is RecordBuffersCorrupt. On a cache miss, unless StrictChangeDetection is
    // set, `cursor` is first asked to check for changes: when it reports one the result is nullptr and
    // nothing is read. Read-ahead reads up to the read-ahead size of records in `direction` (the count the
    // cursor decides when `cursorDecidesReadAhead`), never past either end of the table. `cursor` may be
    // nullptr: then no change check and no cursor-decided count.
    TRecord* Fetch(TFetchCursor* cursor, int32_t recordNumber, TReadDirection direction, bool readAheadWanted,
                   bool cursorDecidesReadAhead);
    // A pinned record for an insert: the free-list head, or a new slot at the end when the list is empty
    // or the primary index has no key fields. The head then moves to the reused slot's link (0 after an
    // append). A head that is not a deleted record is RecordBuffersCorrupt.
    TRecord& NewRecordSlot();
    // Puts the record on the free list: status 1, link, and it becomes the head. Marks it dirty.
    void Delete(TRecord& record);
    // One cursor less holds the record.
    void Release(TRecord& record);
    // Kept by the index file; the table passes it on.
    void SetPrimaryIndexHasNoKeyFields(bool noKeyFields) { primaryIndexHasNoKeyFields_ = noKeyFields; }

    // Writes the records a transaction spilled, the dirty, unpinned records, the header when `forceHeader`
    // or pending, and the descriptors when changed; flushes when `flush` or ForceBufferFlush. Under a
    // transaction lock nothing is written:
    // a forced header write only raises the change count held in memory and leaves the header pending
    // for the end of the transaction.
    void WriteBack(bool flush, bool forceHeader = false);
    // Cuts the cache back to its normal capacity, dropping the clean records with the highest numbers,
    // and frees the record buffers beyond it: what a transaction grew is given back when it ends.
    void TrimCache();
    // Writes the header at once, its change count raised, ahead of the records.
    void WriteHeaderNow() { WriteHeader(false); }
    // Whether another process changed the file since its header was last read or written here: then
    // the header is taken from the file, and the table empties the cache (DiscardCache).
    bool CheckForChange();
    // Takes the header from the file again.
    void RereadHeader();
    // Forgets every cached record, unwritten changes included (spilled ones too). A record still pinned
    // leaves the cache and returns to the pool when released.
    void DiscardCache();
    // Forgets the cached records and a pending header: nothing is left to write back (a rolled-back
    // transaction). RereadHeader then takes the file's.
    void DiscardChanges() {
        DiscardCache();
        headerPending_ = false;
    }
    // Writes the header of an empty table, then cuts the file at the data start; the cache is dropped.
    void EmptyTable();

    // The header as held in memory (description and password plain).
    const TDataHeader& Header() const { return header_; }
    uint16_t RecordSize() const { return header_.RecordSize; }
    // The header differs from the file and waits for the next write-back.
    bool HeaderPending() const { return headerPending_; }
    void MarkHeaderPending() { headerPending_ = true; }
    int32_t LastAutoIncValue() const { return header_.LastAutoIncValue; }
    void SetLastAutoIncValue(int32_t value);
    // The auto-increment value of a new record.
    int32_t TakeAutoIncValue();
    // A record stored with an explicit auto-increment value: later values continue above it.
    void NoteExplicitAutoIncValue(int32_t storedValue);
    // The sequence number a changed blob is stored with.
    int32_t NextBlobSequenceNumber();

    std::span<const TFieldDescriptor> Descriptors() const { return descriptors_; }
    // Names compare without regard to ASCII letter case; nullptr when there is no such field.
    const TFieldDescriptor* FindDescriptor(std::string_view name) const;
    const TFieldDescriptor* DescriptorByNumber(int16_t fieldNumber) const;
    // The descriptor at 0-based `position`, to be changed: all descriptors are written with the next
    // write-back.
    TFieldDescriptor& EditDescriptor(size_t position);
    bool DescriptorsChanged() const { return descriptorsChanged_; }

    // The record cache's size for the next Open (capacity: the bytes ÷ record size, at most the
    // records, at least one record).
    void SetCacheSettings(const TCacheSettings& settings) { cacheSettings_ = settings; }
    // Records per block read at most.
    int32_t ReadAheadSize() const { return readAheadSize_; }
    int32_t CacheCapacity() const { return cacheCapacity_; }
    size_t CachedRecordCount() const { return cache_.Count(); }
    // Record buffers held, cached or spare: the memory the cache takes.
    size_t RecordBufferCount() const { return spares_.MadeCount(); }
    // The cached record of that number, without using it; nullptr when not cached.
    const TRecord* PeekCached(int32_t recordNumber) const { return cache_.Find(recordNumber); }
    const TDataFileStatistics& Statistics() const { return statistics_; }

private:
    friend class TRecord;

    [[noreturn]] void RaiseRecordBuffersCorrupt() const;
    // Seek and transfer under the file's guard.
    size_t ReadAt(int64_t offset, void* buffer, size_t count, bool allowShortRead);
    void WriteAt(int64_t offset, const void* buffer, size_t count);
    void FlushWhen(bool flush);
    void LoadHeaderAndDescriptors();
    void TakeHeader(std::span<const uint8_t, kDataHeaderSize> bytes);

    // Cache lookup: the newest few records first, then the map; a hit becomes the newest unless the
    // cursor is passing through (see TFetchCursor::PassingThrough).
    TRecord* FindCached(int32_t recordNumber, bool promote = true);
    TRecord& Append();
    int32_t BlockCount(TFetchCursor* cursor, int32_t recordNumber, TReadDirection direction,
                       bool readAheadWanted, bool cursorDecidesReadAhead);
    // Reads `count` records starting with (forwards) or ending with (backwards) `recordNumber` into the
    // cache, as the newest or, for a cursor `passing` through, at the old end; returns that record, or
    // nullptr when it was not read.
    TRecord* ReadBlock(int32_t recordNumber, TReadDirection direction, int32_t count, bool passing);
    // The record's image from `bytes` (the file's), or from the spill file when a transaction put it
    // there; a record whose spilled image cannot be read leaves the cache.
    void LoadImage(TRecord& record, const uint8_t* bytes);
    // Under a transaction lock, when the cache has reached the transaction's budget.
    bool SpillDue() const;

    // A cleared record outside the cache, for `recordNumber`'s image.
    TRecord& TakeBuffer();
    TRecord* FindVictim();
    void AddToCache(TRecord& record, int32_t recordNumber);
    void RemoveFromCache(TRecord& record);

    // Fills gathered_ with the unpinned cached records `keep` accepts, in ascending record-number order.
    template <typename TKeep>
    void GatherByNumber(TKeep keep);
    void WriteDirtyRecords(bool flush);
    // Writes the records in writeBuffer_, those of `run`, and marks them clean: to the spill file under a
    // transaction lock.
    void WriteRun(std::span<TRecord* const> run, bool flush);
    void WriteHeader(bool flush);
    void WriteDescriptors();
    void NoteWritten() { context_.NoteWrittenChanges(); }

    TDataFileContext& context_;
    TDataHeader header_;
    bool headerPending_ = false;
    // The change count last read from or written to the file: the one other processes' writes change.
    int32_t fileChangeCount_ = 0;
    std::vector<TFieldDescriptor> descriptors_;
    bool descriptorsChanged_ = false;
    bool primaryIndexHasNoKeyFields_ = false;

    TEngineBuffer readBuffer_{FileBufferStep};
    TEngineBuffer writeBuffer_{FileBufferStep};
    int32_t readAheadSize_ = 1;
    TCacheSettings cacheSettings_;
    int32_t normalCapacity_ = 0;
    int32_t cacheCapacity_ = 0;
    int32_t transactionCapacity_ = 0;
    // Changed records a transaction could not keep in memory, by record number - 1.
    TSpillFile spill_;
    TCachedRecordMap cache_;
    // Cached records that are dirty: when all are, no buffer can be reused and none is looked for.
    size_t dirtyCached_ = 0;
    // Every cached record, most recently used first.
    TMruChain mru_;
    // Records gathered for writing back or trimming, sorted by record number; kept for reuse.
    std::vector<TRecord*> gathered_;
    // The records a block read for a cursor passing through brought in, in the order read; kept for reuse.
    std::vector<TRecord*> passedIn_;
    TRecordStack spares_{*this};
    // The records of the block read in progress: their dirty copies must not be written under it.
    int32_t blockFirst_ = 0;
    int32_t blockCount_ = 0;
    TDataFileStatistics statistics_;
};

}  // namespace kartei
