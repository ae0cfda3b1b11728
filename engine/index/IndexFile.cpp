#include "engine/index/IndexFile.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/Bytes.h"
#include "engine/format/Scramble.h"
#include "engine/format/TableFileNames.h"
#include "engine/index/PageCodec.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

// Longest run of consecutive pages written with one call; bounds the write buffer.
constexpr size_t kMaxRunPages = 64;
constexpr size_t kChangeCounterSize = 4;
constexpr size_t kHeaderChangedAt = 3979;

std::span<uint8_t, kIndexPageSize> Block(uint8_t* data) {
    return std::span<uint8_t, kIndexPageSize>(data, kIndexPageSize);
}

}  // namespace

const std::string& TIndexFile::ErrorName() const {
    return context_.TableName.empty() ? FileName() : context_.TableName;
}

void TIndexFile::RaiseCorrupt() const {
    RaiseKarteiError(ErrorCode::IndexPagesCorrupt, ErrorName());
}

int TIndexFile::Checked(int slot) const {
    if (slot < 0 || slot >= kIndexSlotCount) {
        RaiseCorrupt();
    }
    return slot;
}

// ---- Opening and closing

void TIndexFile::Open(std::string_view fileName, bool exclusive, bool temporary) {
    Close();
    TFileHandler::Open(fileName, exclusive, temporary);
    spill_.Configure(SpillFileName(fileName), kIndexPageSize);
    UndoOnError([this] { TakeHeader(ReadHeaderBlock()); }, [this] { TFileHandler::Close(); });
}

void TIndexFile::Create(std::string_view fileName, bool temporary) {
    Close();
    TFileHandler::Create(fileName, temporary);
    spill_.Configure(SpillFileName(fileName), kIndexPageSize);
    header_ = NewIndexHeader();
    WriteHeader(false);
}

void TIndexFile::Close() {
    DropPages(true);
    pool_.Clear();
    header_ = TIndexHeader();
    headerChanged_ = false;
    TFileHandler::Close();
}

// ---- The header

TIndexHeader TIndexFile::ReadHeaderBlock() {
    io_.Reserve(kIndexHeaderSize);
    ReadBlock(0, io_.Data());
    return TIndexHeader::Decode(Block(io_.Data()));
}

void TIndexFile::TakeHeader(const TIndexHeader& header) {
    if (header.SecondaryCount > kMaxSecondaryIndexes) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, ErrorName());
    }
    header_ = header;
    headerChanged_ = false;
}

void TIndexFile::WriteHeader(bool changed) {
    io_.Reserve(kIndexHeaderSize);
    uint8_t* block = io_.Data();
    header_.Encode(Block(block));
    // The counter is raised in memory only once the write has succeeded, so a failed write is not taken
    // for another user's change.
    const uint32_t counter = header_.ChangeCounter + 1;
    WriteU32(block, counter);
    block[kHeaderChangedAt] = changed ? 1 : 0;
    if (context_.Encrypted) {
        ScrambleRecordImage(std::span(block, kIndexHeaderSize));
    }
    {
        TFileGuard guard(*this);
        Seek(0, TSeekOrigin::Start);
        Write(block, kIndexHeaderSize);
    }
    header_.ChangeCounter = counter;
    header_.HeaderChanged = changed ? 1 : 0;
    headerChanged_ = false;
}

bool TIndexFile::CounterChangedOnDisk() {
    uint8_t counter[kChangeCounterSize];
    {
        TFileGuard guard(*this);
        Seek(0, TSeekOrigin::Start);
        Read(counter, sizeof counter);
    }
    if (context_.Encrypted) {
        // The scrambling runs on from the first byte, so the first four bytes unscramble on their own.
        ScrambleRecordImage(std::span(counter, sizeof counter));
    }
    return ReadU32(counter) != header_.ChangeCounter;
}

bool TIndexFile::ReloadHeader() {
    // Every operation of a shared table asks: the counter alone answers it, without reading and decoding
    // the whole header.
    if (!CounterChangedOnDisk()) {
        return false;
    }
    const TIndexHeader header = ReadHeaderBlock();
    if (header.ChangeCounter == header_.ChangeCounter) {
        return false;
    }
    TakeHeader(header);
    DropPages(false);
    ++generation_;
    return true;
}

void TIndexFile::DiscardChanges() {
    // Forgotten before anything is read: a header that cannot be read again leaves nothing to write.
    DropPages(false);
    headerChanged_ = false;
    ++generation_;
    TakeHeader(ReadHeaderBlock());
}

void TIndexFile::SetRoot(int slot, uint32_t offset) {
    header_.Slots[Checked(slot)].RootPage = offset;
    headerChanged_ = true;
}

void TIndexFile::SetRecordCount(int32_t count) {
    header_.RecordCount = count;
    headerChanged_ = true;
}

void TIndexFile::SetNoPrimaryKey(bool noPrimaryKey) {
    header_.NoPrimaryKey = noPrimaryKey ? 1 : 0;
    headerChanged_ = true;
}

void TIndexFile::SetDescriptor(int slot, const TIndexDescriptor& descriptor) {
    header_.Slots[Checked(slot)] = descriptor;
    headerChanged_ = true;
}

int TIndexFile::AppendSecondaryDescriptor(const TIndexDescriptor& descriptor) {
    const int slot = header_.SecondaryCount + 1;
    header_.Slots[Checked(slot)] = descriptor;
    ++header_.SecondaryCount;
    headerChanged_ = true;
    return slot;
}

TPageGeometry TIndexFile::Geometry(int slot) const {
    const TIndexDescriptor& descriptor = header_.Slots[Checked(slot)];
    const uint16_t keyLength = descriptor.KeyLength;
    if (keyLength == 0 || keyLength > kKeyBufferSize ||
        descriptor.Compression > static_cast<uint8_t>(TCompression::Both) ||
        (descriptor.Unique == 0 && keyLength <= kRecordIdSuffixSize)) {
        RaiseCorrupt();
    }
    return TPageGeometry{keyLength, static_cast<TCompression>(descriptor.Compression),
                         descriptor.Unique != 0};
}

// ---- Pages

void TIndexFile::CheckPageOffset(uint32_t offset) const {
    if (offset < kIndexHeaderSize || offset % kIndexPageSize != 0 || offset >= header_.EndOffset) {
        RaiseCorrupt();
    }
}

TPageRef TIndexFile::Pin(TPage& page) {
    if (page.pins_++ == 0) {
        ++pinnedPages_;
    }
    return TPageRef(*this, page);
}

void TIndexFile::ReleasePage(TPage& page) {
    if (page.pins_ > 0 && --page.pins_ == 0) {
        --pinnedPages_;
    }
}

void TIndexFile::MarkDirty(TPage& page) {
    ++changeCount_;
    if (!page.dirty_) {
        page.dirty_ = true;
        ++dirtyPages_;
    }
    // Other users learn of every changed page through the header's change counter.
    headerChanged_ = true;
}

TPageRef TIndexFile::ReadPage(int slot, uint32_t offset) {
    return Fetch(slot, offset, true);
}

TPageRef TIndexFile::Fetch(int slot, uint32_t offset, bool mayRestart) {
    TPageCache& cache = caches_[Checked(slot)];
    CheckPageOffset(offset);
    if (TPage* cached = cache.Find(offset)) {
        return Hand(*cached);
    }
    const TPageGeometry geometry = Geometry(slot);
    if (mayRestart && !context_.Exclusive && pinnedPages_ == 0 && dirtyPages_ == 0 && spill_.Empty() &&
        CounterChangedOnDisk()) {
        ReloadHeader();
        return TPageRef();
    }
    std::unique_ptr<TPage> page = SparePage(slot);
    page->Reset(slot, geometry, offset);
    const bool decoded = UndoOnError(
        [&] {
            io_.Reserve(kIndexPageSize);
            ReadBlock(offset, io_.Data());
            return DecodePage(Block(io_.Data()), *page);
        },
        [&] { pool_.Give(std::move(page)); });
    if (!decoded) {
        pool_.Give(std::move(page));
        RaiseCorrupt();
    }
    return Hand(cache.Insert(std::move(page)));
}

void TIndexFile::ReadBlock(uint32_t offset, uint8_t* block) {
    size_t got = kIndexPageSize;
    if (spill_.Holds(offset / kIndexPageSize)) {
        spill_.Get(offset / kIndexPageSize, block);
    } else {
        TFileGuard guard(*this);
        Seek(offset, TSeekOrigin::Start);
        got = Read(block, kIndexPageSize, true);
    }
    if (got != kIndexPageSize) {
        // A page the header counts but the file does not hold.
        if (offset == 0) {
            RaiseKarteiError(ErrorCode::HeaderCorrupt, ErrorName());
        }
        RaiseCorrupt();
    }
    if (context_.Encrypted) {
        ScrambleRecordImage(std::span(block, kIndexPageSize));
    }
}

TPageRef TIndexFile::NewPage(int slot) {
    const TPageGeometry geometry = Geometry(slot);
    TIndexDescriptor& descriptor = header_.Slots[slot];
    const uint32_t head = descriptor.FreePageHead;
    if (head == 0) {
        return AppendPage(slot);
    }
    TPageRef page = Fetch(slot, head, false);
    // A page taken from the chain must be free; a link back to itself or to a page in use is a damaged
    // chain, which would otherwise hand out one page twice.
    if ((!page->free_ && page->Count() != 0) || page->pins_ > 1 || page->NextPage() == head) {
        RaiseCorrupt();
    }
    descriptor.FreePageHead = page->NextPage();
    page->Reset(slot, geometry, head);
    MarkDirty(*page);
    return page;
}

TPageRef TIndexFile::AppendPage(int slot) {
    const uint32_t offset = header_.EndOffset;
    if (offset > kMaxPageStart) {
        RaiseKarteiError(ErrorCode::TableFull, ErrorName());
    }
    if (offset < kIndexHeaderSize || offset % kIndexPageSize != 0) {
        RaiseCorrupt();
    }
    const TPageGeometry geometry = Geometry(slot);
    std::unique_ptr<TPage> page = SparePage(slot);
    page->Reset(slot, geometry, offset);
    header_.EndOffset += kIndexPageSize;
    TPage& added = caches_[slot].Insert(std::move(page));
    MarkDirty(added);
    return Hand(added);
}

void TIndexFile::FreePage(TPage& page) {
    TIndexDescriptor& descriptor = header_.Slots[Checked(page.Slot())];
    page.ClearEntries();
    page.prev_ = 0;
    page.next_ = descriptor.FreePageHead;
    page.free_ = true;
    descriptor.FreePageHead = page.Offset();
    MarkDirty(page);
}

// ---- The caches

TPageRef TIndexFile::Hand(TPage& page) {
    page.lastUse_ = ++useClock_;
    return Pin(page);
}

size_t TIndexFile::SharedBudget() const {
    size_t indexes = 0;
    for (const TIndexDescriptor& descriptor : header_.Slots) {
        indexes += descriptor.RootPage != 0 ? 1 : 0;
    }
    return sharedPagesPerIndex_ * std::max<size_t>(indexes, 1);
}

bool TIndexFile::SharedBudgetFull(size_t extra) const {
    size_t pages = 0;
    for (const TPageCache& cache : caches_) {
        pages += cache.Size();
    }
    return pages + extra > SharedBudget();
}

bool TIndexFile::TrimShared(size_t extra) {
    while (SharedBudgetFull(extra)) {
        TPage* victim = LeastRecentIdlePage();
        if (victim == nullptr) {
            return false;
        }
        pool_.Give(caches_[victim->Slot()].Remove(*victim));
    }
    return true;
}

TPage* TIndexFile::LeastRecentIdlePage() const {
    TPage* oldest = nullptr;
    for (const TPageCache& cache : caches_) {
        TPage* page = cache.LeastRecentIdle();
        if (page != nullptr && (oldest == nullptr || page->lastUse_ < oldest->lastUse_)) {
            oldest = page;
        }
    }
    return oldest;
}

std::unique_ptr<TPage> TIndexFile::SparePage(int slot) {
    TPageCache& cache = caches_[slot];
    // A transaction keeps each index to its own cache, which grows: looking through the changed pages of
    // every index for each new page would cost time growing with the square of the changes.
    if (sharedPagesPerIndex_ > 0 && !context_.InTransaction) {
        // Changed pages written once when only they were left; pinned ones leave the budget exceeded
        // until they are released.
        if (!TrimShared(1)) {
            WritePages();
            TrimShared(1);
        }
    } else if (cache.Full()) {
        TPage* victim = cache.LeastRecentIdle();
        if (victim == nullptr && context_.InTransaction && !SpillDue()) {
            cache.Grow();
        } else if (victim == nullptr) {
            WritePages();
            TrimCaches();
            victim = cache.Full() ? cache.LeastRecentIdle() : nullptr;
            if (cache.Full() && victim == nullptr) {
                // Pinned or overfull pages a transaction cannot spill stay.
                if (!context_.InTransaction) {
                    RaiseCorrupt();
                }
                cache.Grow();
            }
        }
        if (victim != nullptr) {
            pool_.Give(cache.Remove(*victim));
        }
    }
    return pool_.Take();
}

bool TIndexFile::SpillDue() const {
    if (InMemory()) {
        return false;
    }
    size_t cached = 0;
    for (const TPageCache& cache : caches_) {
        cached += cache.Size();
    }
    return cached >= transactionPages_;
}

void TIndexFile::DropPage(TPageCache& cache, TPage& page) {
    if (page.pins_ > 0) {
        page.pins_ = 0;
        --pinnedPages_;
    }
    if (page.dirty_) {
        page.dirty_ = false;
        --dirtyPages_;
    }
    pool_.Give(cache.Remove(page));
}

void TIndexFile::DropPages(bool pinnedToo) {
    spill_.Forget();
    for (TPageCache& cache : caches_) {
        std::vector<TPage*> drop;
        for (TPage* page : cache.Pages()) {
            if (pinnedToo || page->pins_ == 0) {
                drop.push_back(page);
            }
        }
        for (TPage* page : drop) {
            DropPage(cache, *page);
        }
    }
}

void TIndexFile::DropCache(TPageCache& cache) {
    while (!cache.Pages().empty()) {
        DropPage(cache, *cache.Pages().front());
    }
}

void TIndexFile::SetPagesPerIndex(size_t pages, bool shared) {
    sharedPagesPerIndex_ = shared ? std::max<size_t>(pages, 1) : 0;
    for (TPageCache& cache : caches_) {
        cache.ResetCapacity(pages);
    }
}

void TIndexFile::TrimCaches() {
    for (TPageCache& cache : caches_) {
        cache.ResetCapacity();
    }
    if (sharedPagesPerIndex_ > 0) {
        TrimShared(0);
        return;
    }
    for (TPageCache& cache : caches_) {
        while (cache.Size() > cache.Capacity()) {
            TPage* victim = cache.LeastRecentIdle();
            if (victim == nullptr) {
                break;
            }
            pool_.Give(cache.Remove(*victim));
        }
    }
}

// ---- Writing back

void TIndexFile::Empty() {
    DropPages(true);
    const TIndexHeader kept = header_;
    for (TIndexDescriptor& descriptor : header_.Slots) {
        descriptor.RootPage = 0;
        descriptor.FreePageHead = 0;
    }
    header_.EndOffset = kIndexHeaderSize;
    header_.RecordCount = 0;
    UndoOnError([this] { WriteHeader(true); }, [this, &kept] { header_ = kept; });
    ++generation_;
    TFileGuard guard(*this);
    Seek(kIndexHeaderSize, TSeekOrigin::Start);
    Write(nullptr, 0);  // a write of nothing ends the file there
    if (context_.ForceBufferFlush) {
        TFileHandler::Flush();
    }
}

void TIndexFile::CheckPagesFit() const {
    for (const TPageCache& cache : caches_) {
        for (TPage* page : cache.Pages()) {
            if (page->dirty_ && page->pins_ == 0 && !page->free_ && page->Overfull()) {
                RaiseCorrupt();
            }
        }
    }
}

bool TIndexFile::WritePages() {
    // A transaction writes to its spill file, and keeps in memory the overfull pages that the commit's
    // check will refuse. Otherwise nothing is written unless every page can be, and what a transaction
    // spilled goes first, so that pages changed again after it was spilled overwrite it.
    const bool spilling = context_.InTransaction;
    const bool spilled = !spilling && !spill_.Empty();
    if (!spilling) {
        CheckPagesFit();
        if (spilled) {
            spill_.CopyTo(*this, 0);
        }
    }
    writeOrder_.clear();
    for (const TPageCache& cache : caches_) {
        for (TPage* page : cache.Pages()) {
            if (page->dirty_ && page->pins_ == 0 && !(spilling && !page->free_ && page->Overfull())) {
                writeOrder_.push_back(page);
            }
        }
    }
    std::sort(writeOrder_.begin(), writeOrder_.end(),
              [](const TPage* a, const TPage* b) { return a->Offset() < b->Offset(); });
    size_t first = 0;
    while (first < writeOrder_.size()) {
        size_t end = first + 1;
        while (end < writeOrder_.size() && end - first < kMaxRunPages &&
               writeOrder_[end]->Offset() == writeOrder_[end - 1]->Offset() + kIndexPageSize) {
            ++end;
        }
        io_.Reserve((end - first) * kIndexPageSize);
        for (size_t k = first; k < end; ++k) {
            uint8_t* block = io_.Data() + (k - first) * kIndexPageSize;
            if (!EncodePage(*writeOrder_[k], Block(block))) {
                RaiseCorrupt();
            }
            if (context_.Encrypted) {
                ScrambleRecordImage(std::span(block, kIndexPageSize));
            }
        }
        if (spilling) {
            spill_.Put(writeOrder_[first]->Offset() / kIndexPageSize, io_.Data(), end - first);
        } else {
            TFileGuard guard(*this);
            Seek(writeOrder_[first]->Offset(), TSeekOrigin::Start);
            Write(io_.Data(), (end - first) * kIndexPageSize);
        }
        for (size_t k = first; k < end; ++k) {
            writeOrder_[k]->dirty_ = false;
            --dirtyPages_;
        }
        first = end;
    }
    if (spilled) {
        spill_.Forget();
    }
    return spilled || !writeOrder_.empty();
}

void TIndexFile::Flush() {
    if (context_.InTransaction) {
        return;
    }
    const bool wrotePages = WritePages();
    const bool writeHeader = headerChanged_;
    if (writeHeader) {
        WriteHeader(true);
    }
    if ((wrotePages || writeHeader) && context_.ForceBufferFlush) {
        TFileHandler::Flush();
    }
    TrimCaches();
}

// ---- Removing an index

std::vector<uint32_t> TIndexFile::CollectPages(int slot) {
    std::vector<bool> seen(PageSlotCount(header_.EndOffset), false);
    std::vector<uint32_t> pages;
    const auto visit = [&](uint32_t offset) {
        CheckPageOffset(offset);
        const size_t index = (offset - kIndexHeaderSize) / kIndexPageSize;
        if (seen[index]) {
            RaiseCorrupt();
        }
        seen[index] = true;
        pages.push_back(offset);
    };
    struct TPending {
        uint32_t Offset;
        int Depth;
    };
    std::vector<TPending> pending;
    if (header_.Slots[slot].RootPage != 0) {
        visit(header_.Slots[slot].RootPage);
        pending.push_back({header_.Slots[slot].RootPage, 0});
    }
    while (!pending.empty()) {
        const TPending at = pending.back();
        pending.pop_back();
        const TPageRef page = Fetch(slot, at.Offset, false);
        if (page->IsLeaf()) {
            continue;
        }
        if (at.Depth >= kMaxTreeDepth) {
            RaiseCorrupt();
        }
        for (int k = 1; k <= page->Count(); ++k) {
            visit(page->Value(k));
            pending.push_back({page->Value(k), at.Depth + 1});
        }
    }
    for (uint32_t offset = header_.Slots[slot].FreePageHead; offset != 0;) {
        visit(offset);
        offset = Fetch(slot, offset, false)->NextPage();
    }
    return pages;
}

void TIndexFile::RemoveSecondaryIndex(int slot) {
    const int count = header_.SecondaryCount;
    if (slot < 1 || slot > count) {
        RaiseCorrupt();
    }
    const std::vector<uint32_t> pages = CollectPages(slot);
    const TPageGeometry deletedGeometry = Geometry(kDeletedIndexSlot);
    for (const uint32_t offset : pages) {
        if (caches_[kDeletedIndexSlot].Find(offset) != nullptr) {
            RaiseCorrupt();
        }
    }
    DropCache(caches_[slot]);
    for (int s = slot; s < count; ++s) {
        header_.Slots[s] = header_.Slots[s + 1];
        caches_[s] = std::move(caches_[s + 1]);
        caches_[s].Renumber(s);
    }
    header_.Slots[count] = TIndexDescriptor();
    --header_.SecondaryCount;
    for (const uint32_t offset : pages) {
        std::unique_ptr<TPage> page = SparePage(kDeletedIndexSlot);
        page->Reset(kDeletedIndexSlot, deletedGeometry, offset);
        FreePage(caches_[kDeletedIndexSlot].Insert(std::move(page)));
    }
    headerChanged_ = true;
}

}  // namespace kartei
