// TDataCursorImpl: moving through the view, counts, ordinals, bookmarks and reading records.
#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/cursor/CursorAccess.h"
#include "engine/cursor/DataCursor.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/Bytes.h"
#include "engine/keys/KeyCompare.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

namespace {
void Zero(std::span<uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
}
}  // namespace

void TDataCursorImpl::SetEmpty() {
    hasLeaf_ = false;
    ordinal_ = 0;
    recordNumber_ = 0;
    bof_ = eof_ = true;
    std::fill(record_.begin(), record_.end(), uint8_t{0});
}

void TDataCursorImpl::TakeHit(const TLeafHit& hit) {
    if (!hit.Leaf) {
        SetEmpty();
        return;
    }
    leafOffset_ = hit.Leaf->Offset();
    TakeEntry(*hit.Leaf, hit.Position);
    ordinal_ = hit.Ordinal;
    hasLeaf_ = true;
    walkMisses_ = 0;
    walkReads_ = 0;
}

bool TDataCursorImpl::SeekViewEdge(bool last) {
    if (natural_) {
        walkMisses_ = 0;
        walkReads_ = 0;
        recordNumber_ = last ? PriorLive(table_->Header().RecordSlotCount() + 1) : NextLive(0);
        if (recordNumber_ == 0) {
            SetEmpty();
            return false;
        }
    } else if (OnViewEdge(last)) {
        // Already there (a range's reposition found its first entry): no descent.
        walkMisses_ = 0;
        walkReads_ = 0;
    } else {
        if (ViewEmpty()) {
            SetEmpty();
            return false;
        }
        TLeafHit hint = last ? TLeafHit() : HintedFirst();
        TakeHit(hint.Leaf ? std::move(hint) : Tree().SeekOrdinal(last ? lastOrdinal_ : firstOrdinal_));
        if (!hasLeaf_) {
            return false;
        }
    }
    bof_ = eof_ = false;
    return true;
}

TLeafHit TDataCursorImpl::HintedFirst() {
    TIndexFile& file = table_->IndexFile();
    const TEdgeHint& hint = firstHint_;
    TLeafHit hit;
    if (hint.Leaf == 0 || hint.Slot != slot_ || hint.Generation != file.Generation() ||
        hint.ChangeCount != file.ChangeCount()) {
        return hit;
    }
    // Cached since ComputeBounds read it, unless dropped; a page read that asks for a restart, or a page
    // that is no longer that leaf, leaves the descent to find it.
    TPageRef leaf = file.ReadPage(slot_, hint.Leaf);
    if (leaf && leaf->IsLeaf() && hint.Position <= leaf->Count()) {
        hit.Leaf = std::move(leaf);
        hit.Position = hint.Position;
        hit.Ordinal = firstOrdinal_;
    }
    return hit;
}

TPageRef TDataCursorImpl::Leaf() {
    TPageRef page = table_->IndexFile().ReadPage(slot_, leafOffset_);
    if (!page || !page->IsLeaf() || position_ < 1 || position_ > page->Count()) {
        table_->IndexFile().RaiseCorrupt();
    }
    return page;
}

void TDataCursorImpl::TakeEntry(const TPage& leaf, int position) {
    position_ = position;
    currentValue_ = leaf.Value(position);
    std::memcpy(currentKey_.data(), leaf.Key(position), layout_.KeyLength);
}

void TDataCursorImpl::LoadSibling(uint32_t offset, bool forward) {
    const uint32_t from = leafOffset_;
    TPageRef page = table_->IndexFile().ReadPage(slot_, offset);
    // Under the read lock nobody else writes; a page that changed underneath, or a link to a page that does
    // not link back, is damage (it would let a walk run in circles).
    if (!page || !page->IsLeaf() || page->Count() == 0 ||
        (forward ? page->PrevPage() : page->NextPage()) != from) {
        table_->IndexFile().RaiseCorrupt();
    }
    leafOffset_ = offset;
    TakeEntry(*page, forward ? 1 : page->Count());
}

bool TDataCursorImpl::StepForward() {
    if (ordinal_ >= lastOrdinal_) {
        return false;
    }
    uint32_t next = 0;
    {
        const TPageRef leaf = Leaf();
        if (position_ < leaf->Count()) {
            // The current key is the entry's before it.
            ++position_;
            currentValue_ = leaf->Value(position_);
            leaf->ReadNextKey(position_, currentKey_.data());
        } else if ((next = leaf->NextPage()) == 0) {
            return false;
        }
    }
    if (next != 0) {
        LoadSibling(next, true);
    }
    ++ordinal_;
    return true;
}

bool TDataCursorImpl::StepBackward() {
    if (ordinal_ <= firstOrdinal_) {
        return false;
    }
    uint32_t prior = 0;
    {
        const TPageRef leaf = Leaf();
        if (position_ > 1) {
            TakeEntry(*leaf, position_ - 1);
        } else if ((prior = leaf->PrevPage()) == 0) {
            return false;
        }
    }
    if (prior != 0) {
        LoadSibling(prior, false);
    }
    --ordinal_;
    return true;
}

void TDataCursorImpl::MoveIndexed(int32_t n) {
    if (!hasLeaf_) {
        return;
    }
    for (; n > 0; --n) {
        if (!StepForward()) {
            eof_ = true;
            return;
        }
        bof_ = false;
    }
    for (; n < 0; ++n) {
        if (!StepBackward()) {
            bof_ = true;
            return;
        }
        eof_ = false;
    }
}

void TDataCursorImpl::MoveNatural(int32_t n) {
    if (table_->RecordCount() == 0) {
        SetEmpty();
        return;
    }
    for (; n > 0; --n) {
        const int32_t next = NextLive(recordNumber_);
        if (next == 0) {
            eof_ = true;
            bof_ = false;
            return;
        }
        recordNumber_ = next;
        bof_ = false;
    }
    for (; n < 0; ++n) {
        const int32_t prior = PriorLive(recordNumber_);
        if (prior == 0) {
            bof_ = true;
            eof_ = false;
            return;
        }
        recordNumber_ = prior;
        eof_ = false;
    }
}

void TDataCursorImpl::MoveBySteps(int32_t n) {
    if (natural_) {
        MoveNatural(n);
    } else {
        MoveIndexed(n);
    }
}

void TDataCursorImpl::MoveBy(int32_t n) {
    CheckOpen();
    if (n == 0) {
        return;
    }
    const TAccess access(*this);
    direction_ = n > 0 ? TReadDirection::Forward : TReadDirection::Backward;
    // A cursor standing after a gap is one step forward already.
    MoveBySteps(n > 0 && standsAfterGap_ ? n - 1 : n);
    ReadCurrent();
}

void TDataCursorImpl::ReadCurrent(std::span<uint8_t> image) {
    TDataFile& file = table_->DataFile();
    // A fetch that finds another user's change delivers nothing: the cursor has found its place again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t current = recordNumber_;
        if (!natural_) {
            current = hasLeaf_ ? static_cast<int32_t>(currentValue_) : 0;
            // An entry naming no slot of the data file: an append by another user not seen yet, or damage.
            // Reading it would make the data file hand out a new slot, and a read never changes a table.
            if (hasLeaf_ && (current < 1 || current > table_->Header().RecordSlotCount())) {
                if (CheckForChanges()) {
                    continue;
                }
                table_->IndexFile().RaiseCorrupt();
            }
        }
        if (current == 0) {
            Zero(image);
            return;
        }
        if (current != walkLastRead_) {
            walkLastRead_ = current;
            walkReads_ += walkReads_ < INT32_MAX ? 1 : 0;
        }
        if (TRecord* record = file.Fetch(this, current, direction_, true, true)) {
            std::copy(record->Image().begin(), record->Image().end(), image.begin());
            file.Release(*record);
            standsAfterGap_ = false;
            return;
        }
    }
    RaiseKarteiError(ErrorCode::RecordChanged, table_->Name());
}

void TDataCursorImpl::First() {
    CheckOpen();
    const TAccess access(*this);
    direction_ = TReadDirection::Forward;
    if (SeekViewFirst()) {
        bof_ = true;
        ReadCurrent();
    }
}

void TDataCursorImpl::Last() {
    CheckOpen();
    const TAccess access(*this);
    direction_ = TReadDirection::Backward;
    if (SeekViewLast()) {
        eof_ = true;
        ReadCurrent();
    }
}

void TDataCursorImpl::StepOffViewEdge(bool last) {
    // First, Last and moves past an end leave the cursor on the view's edge entry: no second descent to find
    // it.
    if (OnViewEdge(last)) {
        bof_ = eof_ = false;
        return;
    }
    SeekViewEdge(last);
}

bool TDataCursorImpl::StepNext() {
    direction_ = TReadDirection::Forward;
    // A cursor standing after a gap is on the next record already.
    if (bof_) {
        StepOffViewEdge(false);
    } else if (!standsAfterGap_) {
        MoveBySteps(1);
    }
    return !eof_;
}

int TDataCursorImpl::GetNext(std::span<uint8_t> buffer) {
    CheckOpen();
    const TAccess access(*this);
    if (!StepNext()) {
        Zero(buffer);
        return ErrorCode::EndOfFile;
    }
    ReadCurrent();
    std::copy(record_.begin(), record_.end(), buffer.begin());
    return ErrorCode::Success;
}

int32_t TDataCursorImpl::GetNextRecords(std::span<uint8_t> images, int32_t count) {
    CheckOpen();
    const size_t size = record_.size();
    if (count < 0 || images.size() < static_cast<size_t>(count) * size) {
        RaiseKarteiError(ErrorCode::RecordBuffersCorrupt, table_->Name());
    }
    const TAccess access(*this);
    // Each record goes from the cache straight to its place; the last one read, also when a later read
    // fails, becomes the cursor's current record as well, as if each had been read by GetNext.
    int32_t read = 0;
    const TUndoGuard keepLast([&] {
        if (read > 0) {
            const auto last = images.begin() + static_cast<std::ptrdiff_t>((read - 1) * size);
            std::copy(last, last + static_cast<std::ptrdiff_t>(size), record_.begin());
        }
    });
    while (read < count) {
        const std::span<uint8_t> image = images.subspan(static_cast<size_t>(read) * size, size);
        if (!StepNext()) {
            Zero(image);
            break;
        }
        ReadCurrent(image);
        ++read;
    }
    return read;
}

void TDataCursorImpl::RunAsOneOperation(void (*run)(void*), void* context) {
    CheckOpen();
    const TAccess access(*this);
    run(context);
}

int TDataCursorImpl::GetPrior(std::span<uint8_t> buffer) {
    CheckOpen();
    const TAccess access(*this);
    direction_ = TReadDirection::Backward;
    if (eof_) {
        StepOffViewEdge(true);
    } else {
        MoveBySteps(-1);
    }
    if (bof_) {
        Zero(buffer);
        return ErrorCode::BeginOfFile;
    }
    ReadCurrent();
    std::copy(record_.begin(), record_.end(), buffer.begin());
    return ErrorCode::Success;
}

int TDataCursorImpl::GetCurrent(std::span<uint8_t> buffer, bool recheck) {
    CheckOpen();
    const TAccess access(*this);
    if (bof_ && eof_) {
        Zero(buffer);
        return ErrorCode::NoCurrentRecord;
    }
    if (bof_ || eof_) {
        Zero(buffer);
        return bof_ ? ErrorCode::BeginOfFile : ErrorCode::EndOfFile;
    }
    ReadCurrent();
    if (recheck && !std::equal(record_.begin(), record_.end(), buffer.begin(), buffer.end())) {
        RaiseKarteiError(ErrorCode::RecordChanged, table_->Name());
    }
    std::copy(record_.begin(), record_.end(), buffer.begin());
    return ErrorCode::Success;
}

int32_t TDataCursorImpl::RecordCount() {
    CheckOpen();
    const TAccess access(*this);
    return natural_ ? table_->RecordCount() : ViewSize();
}

int32_t TDataCursorImpl::Ordinal() {
    CheckOpen();
    const TAccess access(*this);
    if (natural_) {
        return IsLive(recordNumber_) ? Live().Rank(recordNumber_) : 0;
    }
    if (!hasLeaf_ || ordinal_ - firstOrdinal_ + 1 <= 0) {
        return 0;
    }
    return static_cast<int32_t>(ordinal_ - firstOrdinal_ + 1);
}

void TDataCursorImpl::GoToOrdinal(int32_t n) {
    CheckOpen();
    const TAccess access(*this);
    direction_ = TReadDirection::Forward;
    if (natural_) {
        if (n < 1) {
            if (SeekViewFirst()) {
                bof_ = true;
            }
        } else if (const int32_t number = Live().Nth(n); number != 0) {
            recordNumber_ = number;
            bof_ = eof_ = false;
        } else if (SeekViewLast()) {
            eof_ = true;
        }
        ReadCurrent();
        return;
    }
    if (!SeekViewFirst()) {
        return;
    }
    if (n < 1) {
        bof_ = true;
    } else if (n > ViewSize()) {
        SeekViewLast();
        eof_ = true;
    } else {
        TakeHit(Tree().SeekOrdinal(firstOrdinal_ + n - 1));
        bof_ = eof_ = false;
    }
    ReadCurrent();
}

int32_t TDataCursorImpl::CurrentRecordNumber() {
    CheckOpen();
    const TAccess access(*this);
    if (natural_) {
        return recordNumber_;
    }
    return hasLeaf_ ? static_cast<int32_t>(currentValue_) : 0;
}

void TDataCursorImpl::GetBookmark(std::span<uint8_t> bookmark) {
    CheckOpen();
    const TAccess access(*this);
    Zero(bookmark);
    if (natural_) {
        if (bookmark.size() >= 4) {
            WriteI32(bookmark.data(), recordNumber_);
        }
    } else if (hasLeaf_) {
        std::copy_n(CurrentKey(), std::min<size_t>(layout_.KeyLength, bookmark.size()), bookmark.begin());
    }
}

bool TDataCursorImpl::GoToBookmark(std::span<const uint8_t> bookmark) {
    CheckOpen();
    if (bookmark.size() < BookmarkSize()) {
        return false;
    }
    const TAccess access(*this);
    direction_ = TReadDirection::Forward;
    if (natural_) {
        const int32_t wanted = ReadI32(bookmark.data());
        if (wanted != 0 && table_->RecordCount() > 0) {
            const int32_t clamped = std::clamp(wanted, 1, table_->Header().RecordSlotCount());
            const int32_t found = IsLive(clamped) ? clamped : NextLive(clamped);
            if (found != 0) {
                recordNumber_ = found;
                bof_ = eof_ = false;
            } else {
                SeekViewLast();
                eof_ = true;
            }
        }
        ReadCurrent();
        return !bof_ && !eof_ && recordNumber_ == wanted;
    }
    std::memcpy(searchKey_.data(), bookmark.data(), layout_.KeyLength);
    KeySearch(searchKey_.data(), true, false);
    ReadCurrent();
    return hasLeaf_ && !eof_ && Compare(CurrentKey(), searchKey_.data()) == 0;
}

int TDataCursorImpl::CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const {
    CheckOpen();
    if (natural_) {
        const int32_t x = ReadI32(a.data());
        const int32_t y = ReadI32(b.data());
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return Compare(a.data(), b.data());
}

int TDataCursorImpl::Compare(const uint8_t* a, const uint8_t* b) const {
    const int result = CompareKeys(layout_, a, b, layout_.KeyLength);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace kartei
