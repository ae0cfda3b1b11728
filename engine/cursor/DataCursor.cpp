// TDataCursorImpl: opening, index selection, access and the recovery after changes by other users.
#include "engine/cursor/DataCursor.h"

#include "engine/cursor/CursorAccess.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "engine/index/IndexDefinition.h"
#include "engine/index/IndexNames.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

namespace {
constexpr int kNaturalOrderSlot = 255;
}

TDataCursorImpl::TDataCursorImpl(TDataDirectoryImpl& directory) : directory_(directory) {}

TDataCursorImpl::~TDataCursorImpl() {
    RunQuietly([this] { Close(); });  // closing is best effort here
}

void TDataCursorImpl::Open(const TTableOpenRequest& request, bool naturalOrder) {
    Close();
    TDataTableImpl* table = nullptr;
    const int status = directory_.OpenTable(request, table);
    if (status < 0) {
        RaiseKarteiError(static_cast<uint16_t>(-status), request.Name);
    }
    Attach(*table, naturalOrder, [&] {
        if (table->NeedsVerification(request)) {
            table->VerifyFiles();
        }
        table->CheckPassword();
        table->RebuildMissingIndex();
    });
}

void TDataCursorImpl::OpenShared(TDataTableImpl& table) {
    Close();
    directory_.ShareTable(table);
    Attach(table, false, [] {});
}

template <typename FirstUse>
void TDataCursorImpl::Attach(TDataTableImpl& table, bool naturalOrder, FirstUse firstUse) {
    UndoOnError(
        [&] {
            firstUse();
            table_ = &table;
            record_.assign(table.Header().RecordSize, 0);
            openBlobs_.emplace(table.Name());
            rangeStart_.assign(kKeyBufferSize, 0);
            rangeEnd_.assign(kKeyBufferSize, 0);
            searchKey_.assign(kKeyBufferSize, 0);
            currentKey_.assign(kKeyBufferSize, 0);
            savedKey_.assign(kKeyBufferSize, 0);
            searchRecord_.assign(table.Header().RecordSize, 0);
            rangeActive_ = false;
            ClearRangeKeys();
            NoteSeenState();
            const TAccess access(*this);
            TakeSlot(naturalOrder ? kNaturalOrderSlot : kPrimaryIndexSlot);
            ComputeBounds();
            NoteSeenState();
        },
        [this, &table] {
            table_ = nullptr;
            openBlobs_.reset();
            directory_.CloseTable(&table);
        });
    First();
}

void TDataCursorImpl::Close() {
    if (table_ == nullptr) {
        return;
    }
    TDataTableImpl* table = std::exchange(table_, nullptr);
    openBlobs_.reset();
    hasLeaf_ = false;
    bof_ = eof_ = false;
    rangeActive_ = false;
    const int status = directory_.CloseTable(table);
    if (status < 0) {
        RaiseKarteiError(static_cast<uint16_t>(-status), table->Name());
    }
}

void TDataCursorImpl::CheckOpen() const {
    if (table_ == nullptr) {
        RaiseKarteiErrorCode(ErrorCode::InvalidHandle);
    }
}

TIndexTree TDataCursorImpl::Tree() {
    return TIndexTree(table_->IndexFile(), slot_, layout_);
}

int TDataCursorImpl::SecondaryIndexCount() const {
    CheckOpen();
    return table_->IndexFile().SecondaryIndexCount();
}

TIndexDescriptor TDataCursorImpl::IndexDescriptor(int slot) const {
    CheckOpen();
    if (slot == kNaturalOrderSlot) {
        return TIndexDescriptor();
    }
    return table_->IndexFile().Descriptor(slot);
}

void TDataCursorImpl::TakeSlot(int slot) {
    slot_ = slot;
    if (slot == kNaturalOrderSlot) {
        natural_ = true;
        indexName_.clear();
        layout_ = TKeyLayout();
    } else {
        indexName_ = table_->IndexFile().Descriptor(slot).Name;
        // A primary index without fields stands for record-number order.
        natural_ = slot == kPrimaryIndexSlot && table_->IndexFile().NoPrimaryKey();
        layout_ = natural_ ? TKeyLayout() : table_->KeyLayout(slot);
    }
    hasLeaf_ = false;
    bitmapStale_ = true;
}

void TDataCursorImpl::SelectIndex(std::string_view name) {
    CheckOpen();
    if (SameIndexName(indexName_, name) && !(natural_ && slot_ == kNaturalOrderSlot)) {
        return;
    }
    const TAccess access(*this);
    rangeActive_ = false;
    ClearRangeKeys();
    const int slot = FindIndexSlot(table_->IndexFile().Header(), name);
    if (slot < 0) {
        ComputeBounds();
        RaiseKarteiError(ErrorCode::InvalidIndexName, table_->Name(), {}, {}, name);
    }
    TakeSlot(slot);
    ComputeBounds();
    RepositionOnRecord();
}

void TDataCursorImpl::SelectIndex(int slot) {
    CheckOpen();
    if (slot == slot_) {
        return;
    }
    if (slot != kNaturalOrderSlot && (slot < 0 || slot > SecondaryIndexCount())) {
        RaiseKarteiError(ErrorCode::InvalidIndexName, table_->Name(), {}, {}, std::to_string(slot));
    }
    const TAccess access(*this);
    rangeActive_ = false;
    ClearRangeKeys();
    TakeSlot(slot);
    ComputeBounds();
    RepositionOnRecord();
}

// ---- Changes

bool TDataCursorImpl::StateChanged() const {
    return table_->ChangeGeneration() != seenTableGeneration_ ||
           table_->IndexFile().Generation() != seenIndexGeneration_ ||
           table_->IndexFile().ChangeCount() != seenIndexChanges_ ||
           table_->Header().RecordSlotCount() != seenSlotCount_;
}

void TDataCursorImpl::NoteSeenState() {
    seenTableGeneration_ = table_->ChangeGeneration();
    seenIndexGeneration_ = table_->IndexFile().Generation();
    seenIndexChanges_ = table_->IndexFile().ChangeCount();
    seenSlotCount_ = table_->Header().RecordSlotCount();
}

void TDataCursorImpl::Recover() {
    const bool wasBof = bof_;
    const bool wasEof = eof_;
    const bool hadPosition = natural_ ? recordNumber_ > 0 : hasLeaf_;
    if (!natural_ && hadPosition) {
        std::memcpy(savedKey_.data(), CurrentKey(), layout_.KeyLength);
    }
    // Another user may have redefined the index: its layout is taken again.
    TakeSlot(slot_);
    ComputeBounds();
    NoteSeenState();
    standsAfterGap_ = false;
    if (!hadPosition || wasBof || wasEof) {
        // Before the first or after the last entry the cursor stays so, whatever arrived at that edge or
        // left it; an empty view that has entries now is before its first.
        const bool last = hadPosition && wasEof && !wasBof;
        if (SeekViewEdge(last)) {
            bof_ = !last;
            eof_ = last;
        }
        return;
    }
    if (natural_) {
        if (!IsLive(recordNumber_)) {
            const int32_t next = NextLive(recordNumber_);
            if (next != 0) {
                recordNumber_ = next;
                standsAfterGap_ = true;
            } else if (SeekViewLast()) {
                eof_ = true;
            }
        }
        return;
    }
    KeySearch(savedKey_.data(), true, false);
    standsAfterGap_ = hasLeaf_ && !bof_ && !eof_ && Compare(CurrentKey(), savedKey_.data()) != 0;
}

bool TDataCursorImpl::CheckForChanges() {
    // An operation looked when it began, and the read lock it holds keeps other processes from writing
    // until it ends: a cache miss inside it need not read the headers again. Read-only files take no lock.
    if (accessDepth_ > 0 && !table_->ReadOnly()) {
        return false;
    }
    if (!table_->CheckForChanges()) {
        return false;
    }
    Recover();
    return true;
}

bool TDataCursorImpl::PassingThrough() const {
    // Half, not all: a walk's last block before it passes through must not push out its own beginning.
    return walkReads_ > table_->DataFile().CacheCapacity() / 2;
}

int32_t TDataCursorImpl::ReadAheadCount(int32_t recordNumber, TReadDirection direction) {
    if (singleRead_) {
        return 1;
    }
    // A look after positioning reads about a screen (the list shows 17 rows): the first block after it holds
    // at most kFirstBlock records and each further miss of the same walk doubles that, so a short look
    // copies few records into the cache and a long walk soon reads whole blocks.
    constexpr int32_t kFirstBlock = 32;
    const int misses = walkMisses_++;
    const int32_t limit =
        std::min(table_->DataFile().ReadAheadSize(), misses >= 16 ? INT32_MAX : kFirstBlock << misses);
    if (natural_ || !hasLeaf_) {
        return limit;
    }
    // The entries of the leaf from the current one on whose records follow one another on disk.
    const TPageRef leaf = Leaf();
    const int step = direction == TReadDirection::Forward ? 1 : -1;
    int32_t count = 1;
    int32_t expected = recordNumber;
    for (int position = position_ + step; position >= 1 && position <= leaf->Count() && count < limit;
         position += step) {
        expected += step;
        if (static_cast<int32_t>(leaf->Value(position)) != expected) {
            break;
        }
        ++count;
    }
    // The run reaches the end of the leaf: the records after it most likely start the next leaf (a table
    // filled in key order), so the block goes on up to the limit instead of stopping there.
    const int last = direction == TReadDirection::Forward ? leaf->Count() : 1;
    if (count < limit && position_ + step * (count - 1) == last) {
        count = limit;
    }
    return count;
}

// ---- Natural order

namespace {

// Status bytes are read through the record cache in the cursor's block sizes, without a second look for
// other users' changes: the operation reading them looked when it began.
class TStatusProbe final : public TFetchCursor {
public:
    explicit TStatusProbe(TFetchCursor& cursor) : cursor_(cursor) {}
    bool CheckForChanges() override { return false; }
    int32_t ReadAheadCount(int32_t recordNumber, TReadDirection direction) override {
        return cursor_.ReadAheadCount(recordNumber, direction);
    }
    bool PassingThrough() const override { return cursor_.PassingThrough(); }

private:
    TFetchCursor& cursor_;
};

}  // namespace

bool TDataCursorImpl::IsLive(int32_t recordNumber) {
    if (recordNumber < 1 || recordNumber > table_->Header().RecordSlotCount()) {
        return false;
    }
    TDataFile& file = table_->DataFile();
    TStatusProbe probe(*this);
    TRecord* record = file.Fetch(&probe, recordNumber, direction_, true, true);
    const bool live = RecordStatus(record->Image()) == kRecordLive;
    file.Release(*record);
    return live;
}

int32_t TDataCursorImpl::NextLive(int32_t recordNumber) {
    const int32_t slots = table_->Header().RecordSlotCount();
    for (int32_t number = std::max(recordNumber, 0) + 1; number <= slots; ++number) {
        if (IsLive(number)) {
            return number;
        }
    }
    return 0;
}

int32_t TDataCursorImpl::PriorLive(int32_t recordNumber) {
    for (int32_t number = std::min(recordNumber, table_->Header().RecordSlotCount() + 1) - 1; number >= 1;
         --number) {
        if (IsLive(number)) {
            return number;
        }
    }
    return 0;
}

const TRecordsBitmap& TDataCursorImpl::Live() {
    if (!bitmapStale_) {
        return bitmap_;
    }
    TDataFile& file = table_->DataFile();
    const int32_t slots = table_->Header().RecordSlotCount();
    bitmap_.Reset(slots);
    for (int32_t number = 1; number <= slots; ++number) {
        TRecord* record = file.Fetch(nullptr, number, TReadDirection::Forward, true, false);
        const bool live = RecordStatus(record->Image()) == kRecordLive;
        file.Release(*record);
        if (live) {
            bitmap_.Set(number);
        }
    }
    bitmapStale_ = false;
    return bitmap_;
}

}  // namespace kartei
