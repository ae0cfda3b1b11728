#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/EngineMemory.h"
#include "engine/files/FileHandler.h"
#include "engine/files/SpillFile.h"
#include "engine/index/IndexFormat.h"
#include "engine/index/IndexHeader.h"
#include "engine/index/PageCache.h"
#include "engine/index/PageRef.h"
#include "engine/index/PageStack.h"

namespace kartei {

// What the owning table tells its index file. The table fills it before opening or creating the file and
// keeps it current (a transaction starts, the session's ForceBufferFlush changes); the file reads it
// whenever it needs a value.
struct TIndexFileContext {
    // Index errors name the table; when empty they name the index file.
    std::string TableName;
    // The table is encrypted: the header and every page pass through the record scrambling.
    bool Encrypted = false;
    // The session's ForceBufferFlush: the system's buffers are flushed after every write-back.
    bool ForceBufferFlush = false;
    // The table is in a transaction: nothing is written to the file; a cache full of changed pages grows
    // instead, and past the transaction's page budget the changed pages go to the spill file.
    bool InTransaction = false;
    // The table is held exclusively: no other process can change the file, so reading a page from disk
    // does not first look at the header's change counter.
    bool Exclusive = false;
};

// The index file of a table: the header with its 32 index descriptors, one page cache per index slot, the
// pool of spare pages, page allocation and the free-page chains, write-back, and change detection through
// the header's ChangeCounter. The B+-tree algorithms are TIndexTree's; this class hands out pinned pages.
// Corrupt data raises IndexPagesCorrupt (pages) or HeaderCorrupt (header) for the table; nothing read from
// disk is trusted without a bounds check.
class TIndexFile : public TFileHandler {
public:
    TIndexFile() = default;
    ~TIndexFile() override = default;

    // Pages each index keeps outside a transaction (at least one). `shared`: the indexes keep that many for
    // each index with pages in one budget, the least recently used idle page of any index making room.
    void SetPagesPerIndex(size_t pages, bool shared = false);
    // Pages all caches together may grow to in a transaction before its changed pages are spilled (a file
    // in memory never spills).
    void SetTransactionPages(size_t pages) { transactionPages_ = pages; }
    // Opens the file and reads its header; more than 30 secondary indexes is HeaderCorrupt.
    void Open(std::string_view fileName, bool exclusive, bool temporary = false) override;
    // Creates the file with a new header (no indexes but the deleted-record index in slot 31) and writes it.
    void Create(std::string_view fileName, bool temporary = false) override;
    // Closes the file, dropping every cached page unwritten: the table flushes first. No page reference
    // may be held.
    void Close() override;
    // Writes the pages a transaction spilled, then every changed, unpinned page, in runs of consecutive
    // offsets with one write each, then the header when it changed (any written page changes it); flushes
    // the system's buffers when the context asks for it; trims the caches back to their initial capacity.
    // Writes nothing inside a transaction.
    void Flush() override;
    // Leaves every index empty, its definition kept: the header that says so is written first, then the
    // file is cut after it. A failure in between leaves pages beyond the end offset, which nothing reads.
    void Empty();
    // IndexPagesCorrupt when a changed, unpinned page holds more than a page holds on disk (an operation left
    // it overfull): the write-back would stop halfway. The table asks before it writes anything of a change.
    void CheckPagesFit() const;

    TIndexFileContext& Context() { return context_; }
    const TIndexFileContext& Context() const { return context_; }
    // The name index errors carry.
    const std::string& ErrorName() const;

    const TIndexHeader& Header() const { return header_; }
    // Reads the header again. When its ChangeCounter differs from the one held, another user changed the
    // file: the new header is taken, every unpinned cached page is dropped, and the answer is true.
    bool ReloadHeader();
    // Drops every unpinned cached page, changed or not, forgets a changed header, and reads the header
    // again: a rolled-back transaction.
    void DiscardChanges();
    // Replaces the file's contents by a copy saved earlier (TFileHandler::SaveCopy): every unpinned cached
    // page is dropped unwritten, the copy's header taken and Generation raised. The header is left changed,
    // its ChangeCounter beyond both the copy's and the one held, so that the next write tells every other
    // user of the file, whatever state of it they hold, that it changed. (IndexFileCopy.cpp)
    void RestoreCopy(std::string_view copyName);
    // Grows whenever cached pages are thrown away (ReloadHeader found a change, a page read restarted,
    // DiscardChanges): positions found before must be found again.
    uint64_t Generation() const { return generation_; }
    // Grows with every page changed in this process: what a cursor took from a page (its current key and
    // position) may be stale.
    uint64_t ChangeCount() const { return changeCount_; }

    // Header values. Setters mark the header changed.
    uint32_t Root(int slot) const { return header_.Slots[Checked(slot)].RootPage; }
    void SetRoot(int slot, uint32_t offset);
    int SecondaryIndexCount() const { return header_.SecondaryCount; }
    int32_t RecordCount() const { return header_.RecordCount; }
    void SetRecordCount(int32_t count);
    void IncrementRecordCount() { SetRecordCount(header_.RecordCount + 1); }
    void DecrementRecordCount() { SetRecordCount(header_.RecordCount - 1); }
    bool NoPrimaryKey() const { return header_.NoPrimaryKey != 0; }
    void SetNoPrimaryKey(bool noPrimaryKey);
    const TIndexDescriptor& Descriptor(int slot) const { return header_.Slots[Checked(slot)]; }
    // Replaces a descriptor; its index must have no cached pages unless the key geometry stays.
    void SetDescriptor(int slot, const TIndexDescriptor& descriptor);
    // Puts a descriptor into the next free secondary slot and counts it; returns the slot. The caller has
    // checked that fewer than 30 secondary indexes exist.
    int AppendSecondaryDescriptor(const TIndexDescriptor& descriptor);
    // Removes secondary index `slot` (1 to the count): its pages join the free chain of the deleted-record
    // index, so none is lost, and the secondary indexes above move down one slot with their caches.
    void RemoveSecondaryIndex(int slot);
    // The key geometry of the pages of a slot; IndexPagesCorrupt when no page can have it (key length 0 or
    // above 524, unknown compression, a non-unique key without room for its suffix).
    TPageGeometry Geometry(int slot) const;

    // The page at `offset` of index `slot`, pinned. Empty when the file was changed by another user: the
    // header has been reloaded, the caches dropped, and the caller starts its operation again from the
    // root. Only a read from disk at a safe point (no page pinned or changed) looks for such a change.
    // An offset that is not a page of the file (not a multiple of 4096, 0, at or beyond EndOffset) or a
    // block that is not a page of the index is IndexPagesCorrupt.
    TPageRef ReadPage(int slot, uint32_t offset);
    // A new page of index `slot`, pinned and changed: the head of the index's free chain, whose next link
    // becomes the head, or else a page appended at EndOffset. The page is reset (type root node, no entries,
    // no links). A page starting beyond file offset 2000000000 is TableFull.
    TPageRef NewPage(int slot);
    // The page joins its index's free chain as its head, with no entries. The file never shrinks.
    void FreePage(TPage& page);
    // The page has changed and must be written back.
    void MarkDirty(TPage& page);
    // Unpins a page (TPageRef does this).
    void ReleasePage(TPage& page);

    // Engine error IndexPagesCorrupt for the table.
    [[noreturn]] void RaiseCorrupt() const;

    // The page cache of a slot, to look at.
    const TPageCache& Cache(int slot) const { return caches_[Checked(slot)]; }

private:
    // The slot when it is one of the 32; IndexPagesCorrupt otherwise.
    int Checked(int slot) const;
    TPageRef Fetch(int slot, uint32_t offset, bool mayRestart);
    TPageRef AppendPage(int slot);
    TPageRef Pin(TPage& page);
    void CheckPageOffset(uint32_t offset) const;
    // A spare page object for `slot`, after making room in its cache: the least recently used idle page
    // leaves; when every page is changed or pinned, changes are written (outside a transaction) or the
    // cache grows (inside one).
    std::unique_ptr<TPage> SparePage(int slot);
    // The shared budget (SetPagesPerIndex): pages for each index with a root; 0 when each index has its own.
    size_t SharedBudget() const;
    // Whether the cached pages and `extra` more exceed the shared budget.
    bool SharedBudgetFull(size_t extra) const;
    // Drops the least recently used idle pages of all caches until `extra` more fit the shared budget;
    // false when only changed or pinned pages are left and they still do not.
    bool TrimShared(size_t extra);
    // The least recently used page of all caches that is neither dirty nor pinned; nullptr when none is.
    TPage* LeastRecentIdlePage() const;
    // Puts the page at the front of the file-wide recency.
    TPageRef Hand(TPage& page);
    void ReadBlock(uint32_t offset, uint8_t* block);
    TIndexHeader ReadHeaderBlock();
    void WriteHeader(bool changed);
    bool CounterChangedOnDisk();
    void TakeHeader(const TIndexHeader& header);
    // Writes changed, unpinned pages of all caches in runs; true when something was written.
    bool WritePages();
    void TrimCaches();
    // A cache full of changed pages in a transaction spills them rather than grow further.
    bool SpillDue() const;
    // Removes pages from every cache (pinned ones only when `pinnedToo`) into the pool, unwritten, and
    // forgets the spilled ones.
    void DropPages(bool pinnedToo);
    void DropPage(TPageCache& cache, TPage& page);
    // Removes every page of one cache, pinned or not.
    void DropCache(TPageCache& cache);
    // The offsets of every page of a slot's tree and free chain, each once.
    std::vector<uint32_t> CollectPages(int slot);

    TIndexFileContext context_;
    TIndexHeader header_;
    bool headerChanged_ = false;
    std::array<TPageCache, kIndexSlotCount> caches_;
    TPageStack pool_;
    int pinnedPages_ = 0;
    int dirtyPages_ = 0;
    uint64_t generation_ = 0;
    uint64_t changeCount_ = 0;
    size_t sharedPagesPerIndex_ = 0;
    uint64_t useClock_ = 0;
    // Page runs and the header on their way to and from the disk.
    TEngineBuffer io_{kIndexPageSize};
    std::vector<TPage*> writeOrder_;
    // Changed pages a transaction could not keep in memory, by page number (offset ÷ page size).
    TSpillFile spill_;
    size_t transactionPages_ = SIZE_MAX;
};

}  // namespace kartei
