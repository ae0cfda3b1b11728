// TDataCursorImpl: ranges, the bounds of the view, the key search and FindKey.
#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/cursor/CursorAccess.h"
#include "engine/cursor/DataCursor.h"
#include "engine/format/RecordLayout.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyPadding.h"
#include "engine/table/DataTable.h"

namespace kartei {

void TDataCursorImpl::ClearRangeKeys() {
    std::fill(rangeStart_.begin(), rangeStart_.end(), uint8_t{0x00});
    std::fill(rangeEnd_.begin(), rangeEnd_.end(), uint8_t{0xFF});
    rangeStartOpen_ = rangeEndOpen_ = true;
}

bool TDataCursorImpl::BelowRange(const uint8_t* key) const {
    return rangeActive_ && !rangeStartOpen_ && Compare(key, rangeStart_.data()) < 0;
}

bool TDataCursorImpl::AboveRange(const uint8_t* key) const {
    return rangeActive_ && !rangeEndOpen_ && Compare(key, rangeEnd_.data()) > 0;
}

void TDataCursorImpl::ComputeBounds() {
    firstHint_ = TEdgeHint();
    if (natural_) {
        firstOrdinal_ = 1;
        lastOrdinal_ = table_->RecordCount();
        return;
    }
    TIndexTree tree = Tree();
    const int64_t entries = tree.EntryCount();
    if (!rangeActive_) {
        firstOrdinal_ = 1;
        lastOrdinal_ = entries;
        return;
    }
    firstOrdinal_ = lastOrdinal_ = 0;
    if (entries == 0 ||
        (!rangeStartOpen_ && !rangeEndOpen_ && Compare(rangeStart_.data(), rangeEnd_.data()) > 0)) {
        return;
    }
    // An open end is no key at all: neither all zero nor all 0xFF bytes sort outside every key of a
    // descending index, or of a locale's descending field.
    TLeafHit start;
    if (rangeStartOpen_) {
        firstOrdinal_ = 1;
    } else {
        start = tree.Seek(rangeStart_.data(), TSearchRule::Nearest);
        const bool below = Compare(start.Leaf->Key(start.Position), rangeStart_.data()) < 0;
        firstOrdinal_ = below ? (start.Ordinal < entries ? start.Ordinal + 1 : 0) : start.Ordinal;
        if (!below) {
            const TIndexFile& file = table_->IndexFile();
            firstHint_ =
                TEdgeHint{slot_, start.Leaf->Offset(), start.Position, file.Generation(), file.ChangeCount()};
        }
    }
    if (rangeEndOpen_) {
        lastOrdinal_ = entries;
    } else if (start.Leaf && Compare(start.Leaf->Key(start.Leaf->Count()), rangeEnd_.data()) > 0) {
        const TPage& leaf = *start.Leaf;
        // The end lies inside the start's leaf (a short range, as a detail's): the last entry not above
        // it is found there, without a second descent.
        const int position =
            leaf.Search(layout_, TPreparedKey(layout_, rangeEnd_.data()), TSearchRule::UpperEnd).Position;
        const int64_t ordinal = start.Ordinal - start.Position + position;
        lastOrdinal_ = Compare(leaf.Key(position), rangeEnd_.data()) > 0 ? ordinal - 1 : ordinal;
    } else {
        const TLeafHit hit = tree.Seek(rangeEnd_.data(), TSearchRule::UpperEnd);
        const bool above = Compare(hit.Leaf->Key(hit.Position), rangeEnd_.data()) > 0;
        lastOrdinal_ = above ? hit.Ordinal - 1 : hit.Ordinal;
    }
    if (firstOrdinal_ <= 0 || lastOrdinal_ <= 0 || lastOrdinal_ < firstOrdinal_) {
        firstOrdinal_ = lastOrdinal_ = 0;
    }
}

void TDataCursorImpl::MakeKey(TKeyForm form, const uint8_t* source, uint8_t* key) const {
    if (form == TKeyForm::Record) {
        BuildKey(layout_, source, key);
    } else {
        std::memcpy(key, source, layout_.KeyLength);
    }
}

size_t TDataCursorImpl::UsedLength(int fieldCount, int partialLength) const {
    const int fields = std::clamp(fieldCount, 0, static_cast<int>(layout_.FieldCount));
    size_t used = 0;
    for (int k = 0; k < fields; ++k) {
        used += layout_.Fields[static_cast<size_t>(k)].DataWidth + 1u;
    }
    if (partialLength > 0 && fields < layout_.FieldCount) {
        // Never past the string's own width.
        const size_t width = layout_.Fields[static_cast<size_t>(fields)].DataWidth;
        used += std::min<size_t>(static_cast<size_t>(partialLength), width) + 1;
    }
    return std::min<size_t>(used, layout_.KeyLength);
}

void TDataCursorImpl::PadFrom(uint8_t* key, size_t used, bool low) const {
    if (low != layout_.Descending) {
        PadKeyLow(layout_, key, used);
    } else {
        PadKeyHigh(layout_, key, used);
    }
}

void TDataCursorImpl::SetRange(TKeyForm form, const uint8_t* start, int startFieldCount, const uint8_t* end,
                               int endFieldCount) {
    CheckOpen();
    if (natural_) {
        return;
    }
    const TAccess access(*this);
    const auto make = [&](const uint8_t* source, int fieldCount, std::vector<uint8_t>& key, bool low) {
        (low ? rangeStartOpen_ : rangeEndOpen_) = source == nullptr;
        if (source == nullptr) {
            std::fill(key.begin(), key.end(), low ? uint8_t{0x00} : uint8_t{0xFF});
            return;
        }
        MakeKey(form, source, key.data());
        if ((fieldCount > 0 && fieldCount < layout_.FieldCount) || !layout_.Unique) {
            PadFrom(key.data(), UsedLength(fieldCount > 0 ? fieldCount : layout_.FieldCount, 0), low);
        }
    };
    make(start, startFieldCount, rangeStart_, true);
    make(end, endFieldCount, rangeEnd_, false);
    rangeActive_ = true;
    ComputeBounds();
    RepositionOnRecord();
}

void TDataCursorImpl::CancelRange() {
    CheckOpen();
    if (natural_) {
        return;
    }
    const TAccess access(*this);
    ClearRangeKeys();
    rangeActive_ = false;
    ComputeBounds();
    RepositionOnRecord();
}

void TDataCursorImpl::RepositionOnRecord() {
    if (natural_) {
        const int32_t own = RecordStatus(record_) == kRecordLive ? RecordLink(record_) : 0;
        if (IsLive(own)) {
            recordNumber_ = own;
            bof_ = eof_ = false;
        } else if (SeekViewFirst()) {
            bof_ = true;
        }
        ReadCurrent();
        return;
    }
    BuildKey(layout_, record_.data(), searchKey_.data());
    KeySearch(searchKey_.data(), true, true);
    ReadCurrent();
}

bool TDataCursorImpl::KeySearch(const uint8_t* key, bool nearest, bool keepEdge) {
    const bool wasBof = bof_;
    const bool wasEof = eof_;
    if (ViewEmpty()) {
        SetEmpty();
        return false;
    }
    bool found = false;
    if (BelowRange(key)) {
        SeekViewFirst();
    } else if (AboveRange(key)) {
        SeekViewLast();
    } else {
        TLeafHit hit = Tree().Seek(key, TSearchRule::Nearest);
        if (!hit.Leaf) {
            SetEmpty();
            return false;
        }
        found = hit.Found;
        if (!found && !nearest) {
            return false;
        }
        TakeHit(hit);
        bof_ = eof_ = false;
        if (!found && Compare(CurrentKey(), key) < 0) {
            // Every entry of the leaf lies below the key: the next one is the first of the next leaf.
            if (!StepForward()) {
                eof_ = true;
            }
        }
        // A nearest entry beyond the view stands on its last entry, after the end.
        if (ordinal_ > lastOrdinal_) {
            SeekViewLast();
            eof_ = true;
        } else if (ordinal_ < firstOrdinal_) {
            SeekViewFirst();
        }
    }
    if (keepEdge) {
        if (wasBof && !eof_ && ordinal_ == firstOrdinal_) {
            bof_ = true;
        }
        if (wasEof && !bof_ && ordinal_ == lastOrdinal_) {
            eof_ = true;
        }
    }
    return found;
}

bool TDataCursorImpl::FindKey(TKeyForm form, const uint8_t* key, std::span<uint8_t> out, int partialLength,
                              bool nearest, int fieldCount) {
    CheckOpen();
    if (natural_ || key == nullptr) {
        return false;
    }
    const TAccess access(*this);
    direction_ = TReadDirection::Forward;
    MakeKey(form, key, searchKey_.data());
    const bool partial = (fieldCount >= 1 && fieldCount < layout_.FieldCount) || !layout_.Unique ||
                         (fieldCount == 0 && partialLength > 0);
    bool found = false;
    if (partial) {
        const int fields = (fieldCount == 0 && partialLength <= 0) ? layout_.FieldCount : fieldCount;
        const size_t used = UsedLength(fields, partialLength);
        PadFrom(searchKey_.data(), used, true);
        KeySearch(searchKey_.data(), true, false);
        found = hasLeaf_ && !ViewEmpty() && CompareKeys(layout_, CurrentKey(), searchKey_.data(), used) == 0;
    } else {
        found = KeySearch(searchKey_.data(), nearest, false);
    }
    if (eof_ && hasLeaf_) {
        SeekViewLast();
    }
    // A point lookup of a full unique key reads its one record; walks after it read ahead again.
    singleRead_ = !partial && !nearest;
    {
        const TUndoGuard readAheadAgain([this] { singleRead_ = false; });
        ReadCurrent();
    }
    if (!out.empty()) {
        std::copy_n(record_.begin(), std::min(out.size(), record_.size()), out.begin());
    }
    return found;
}

}  // namespace kartei
