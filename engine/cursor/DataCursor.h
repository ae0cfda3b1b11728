#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/blob/OpenBlobList.h"
#include "engine/cursor/RecordsBitmap.h"
#include "engine/data/FetchCursor.h"
#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexHeader.h"
#include "engine/index/IndexTree.h"
#include "engine/index/Page.h"
#include "engine/keys/KeyLayout.h"
#include "kartei/Cursor.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

class TDataDirectoryImpl;
class TDataTableImpl;

// How a key argument is given: a ready key of the current index's key length, or a record image from which
// the key is built.
enum class TKeyForm { Key, Record };

// The engine's side of a cursor (kartei/Cursor.h).
//
// A walk steps through the current leaf page where the index file's cache holds it (the cursor copies no
// page; a leaf that has left the cache is read again by its offset): only page boundaries follow the
// sibling links, and counts and ordinals come from the subtree counts, so they cost a descent or two.
class TDataCursorImpl final : public TDataCursor, private TFetchCursor {
public:
    explicit TDataCursorImpl(TDataDirectoryImpl& directory);
    ~TDataCursorImpl() override;
    TDataCursorImpl(const TDataCursorImpl&) = delete;
    TDataCursorImpl& operator=(const TDataCursorImpl&) = delete;

    // The face's operations.
    void Open(const TTableOpenRequest& request, bool naturalOrder = false);
    void Close();
    bool IsOpen() const { return table_ != nullptr; }
    TDataTableImpl& Table() const { return *table_; }
    uint16_t RecordSize() const { return static_cast<uint16_t>(record_.size()); }
    void SelectIndex(std::string_view name);
    int CurrentIndexSlot() const { return slot_; }
    bool NaturalOrder() const { return natural_; }
    int SecondaryIndexCount() const;
    TIndexDescriptor IndexDescriptor(int slot) const;
    void First();
    void Last();
    int GetNext(std::span<uint8_t> buffer);
    int GetPrior(std::span<uint8_t> buffer);
    int32_t GetNextRecords(std::span<uint8_t> images, int32_t count);
    int GetCurrent(std::span<uint8_t> buffer, bool recheck);
    void MoveBy(int32_t n);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    int32_t RecordCount();
    int32_t Ordinal();
    void GoToOrdinal(int32_t n);
    int32_t CurrentRecordNumber();
    size_t BookmarkSize() const { return natural_ ? 4 : layout_.KeyLength; }
    void GetBookmark(std::span<uint8_t> bookmark);
    bool GoToBookmark(std::span<const uint8_t> bookmark);
    int CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const;
    void CancelRange();
    bool RangeActive() const { return rangeActive_; }
    bool FindKey(std::span<const TFieldValue> values, TKeyMatch match, std::span<uint8_t> out);
    bool FindFirst(std::span<const TFieldCondition> conditions, bool caseInsensitive, std::span<uint8_t> out);
    void GoToRecord(int32_t recordNumber);
    std::span<const uint8_t> CurrentRecord() const { return record_; }
    // The face's AsOneOperation: `run(context)` inside one operation frame.
    void RunAsOneOperation(void (*run)(void*), void* context);

    // Opens the cursor on a table another cursor of its directory has open (TDataTable::NewCursor).
    void OpenShared(TDataTableImpl& table);
    // Slot 255 is natural order.
    void SelectIndex(int slot);
    const std::string& CurrentIndexName() const { return indexName_; }
    // The key layout of the current index (meaningless in natural order).
    const TKeyLayout& KeyLayout() const { return layout_; }

    // Ranges over the current index, both ends inclusive. Keys of `form`; a null start or end leaves that
    // side open. Field counts name the leading index fields a key supplies (0: all).
    void SetRange(TKeyForm form, const uint8_t* start, int startFieldCount, const uint8_t* end,
                  int endFieldCount);
    // Positions on a key (a record image or a ready key) given for `fieldCount` leading fields (0: all) and
    // `partialLength` characters of the next string field; copies the record then current into `out`
    // (may be empty). Nearest lands on the first entry at or after the key (the last of the view past the
    // end); exact leaves the cursor where it was when the key is absent.
    bool FindKey(TKeyForm form, const uint8_t* key, std::span<uint8_t> out, int partialLength, bool nearest,
                 int fieldCount);

    // Blobs, edited in memory through handles (CursorBlobs.cpp). `record` is a record image of the table
    // (else RecordBuffersCorrupt) and `field` one of its blob fields (else InvalidBlobField). While open, a
    // blob's negative handle stands in bytes 0..3 of the field in that image; a field that holds no handle of
    // this cursor's open blobs, opened for that field, is InvalidBlobHandle. Closing the cursor closes its
    // blobs.
    //
    // Reads the blob the field names, under the read lock, and puts its handle into the field; a field that
    // holds one already gives it back. The 65th open blob is TooManyOpenBlobs, and the image is left as it
    // was.
    int32_t OpenBlob(std::span<uint8_t> record, const TFieldDescriptor& field);
    size_t BlobSize(std::span<const uint8_t> record, const TFieldDescriptor& field);
    // Copies up to out.size() bytes from `offset` on; returns how many. An offset past the end is
    // InvalidBlobOffset.
    size_t ReadBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t offset,
                    std::span<uint8_t> out);
    // Writes `data` at `offset`, growing the blob (a gap before the offset reads as zeros). A blob longer
    // than a blob can record is InvalidBlobLength.
    void WriteBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t offset,
                   std::span<const uint8_t> data);
    // Cuts the blob to `length` bytes; a length past the end is InvalidBlobOffset.
    void TruncateBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t length);
    // Drops the blob's changes and puts the field's reference back into the image.
    void CloseBlob(std::span<uint8_t> record, const TFieldDescriptor& field);
    // Stores the changed contents of the blobs open in the image's fields with live record `recordNumber`,
    // in one change of the table, and closes them all: the image's fields get the references the record
    // holds now (unchanged blobs their old ones). When the change fails, they all stay open.
    void WriteOpenBlobs(int32_t recordNumber, std::span<uint8_t> record);
    int OpenBlobCount() const { return openBlobs_ ? openBlobs_->OpenCount() : 0; }

private:
    class TAccess;

    // TFetchCursor.
    bool CheckForChanges() override;
    int32_t ReadAheadCount(int32_t recordNumber, TReadDirection direction) override;
    bool PassingThrough() const override;

    // The rest of opening, once the table object is counted: `firstUse` (the checks of the first user
    // and the password), then the primary index (or natural order) and the first position. A failure
    // gives the table back.
    template <typename FirstUse>
    void Attach(TDataTableImpl& table, bool naturalOrder, FirstUse firstUse);
    void CheckOpen() const;
    TIndexTree Tree();
    // Takes over an index slot's properties (255: natural order).
    void TakeSlot(int slot);
    // After another user's change, or this process's change through another cursor: the position is found
    // again from the key (record number) the cursor stood on, or at the edge it stood before or after.
    void Recover();
    void NoteSeenState();
    bool StateChanged() const;

    void SetEmpty();
    bool ViewEmpty() const { return firstOrdinal_ <= 0 || lastOrdinal_ < firstOrdinal_; }
    int32_t ViewSize() const {
        return ViewEmpty() ? 0 : static_cast<int32_t>(lastOrdinal_ - firstOrdinal_ + 1);
    }
    void TakeHit(const TLeafHit& hit);
    const uint8_t* CurrentKey() const { return currentKey_.data(); }
    // The current leaf, pinned; IndexPagesCorrupt when the page at its offset is no longer a leaf holding
    // the current position (under the operation's lock nobody else writes).
    TPageRef Leaf();
    // The entry at `position` of `leaf` becomes the current one.
    void TakeEntry(const TPage& leaf, int position);
    // Follows a sibling link; IndexPagesCorrupt when the link leads nowhere sound.
    void LoadSibling(uint32_t offset, bool forward);
    bool StepForward();
    bool StepBackward();
    void MoveIndexed(int32_t n);
    void MoveNatural(int32_t n);
    void MoveBySteps(int32_t n);
    // On the first / last entry of the view, BOF and EOF clear; false (empty state) when it has none.
    bool SeekViewEdge(bool last);
    bool SeekViewFirst() { return SeekViewEdge(false); }
    // The cursor stands on the first / last entry of the view in index order.
    bool OnViewEdge(bool last) const {
        return !natural_ && hasLeaf_ && !ViewEmpty() && ordinal_ == (last ? lastOrdinal_ : firstOrdinal_);
    }
    // From BOF (or EOF) onto the view's first (or last) entry, as GetNext (GetPrior) does.
    void StepOffViewEdge(bool last);
    bool SeekViewLast() { return SeekViewEdge(true); }
    // Reads the record the cursor stands on into `image` (the cursor's current record unless given).
    void ReadCurrent() { ReadCurrent(record_); }
    void ReadCurrent(std::span<uint8_t> image);
    // One step forward, as GetNext takes it; false at the end of the view.
    bool StepNext();

    // Ranges and key search.
    void ComputeBounds();
    void ClearRangeKeys();
    // Whether a key lies before the range's start or after its end (never for an open side).
    bool BelowRange(const uint8_t* key) const;
    bool AboveRange(const uint8_t* key) const;
    bool KeySearch(const uint8_t* key, bool nearest, bool keepEdge);
    void MakeKey(TKeyForm form, const uint8_t* source, uint8_t* key) const;
    size_t UsedLength(int fieldCount, int partialLength) const;
    void PadFrom(uint8_t* key, size_t used, bool low) const;
    void RepositionOnRecord();
    int Compare(const uint8_t* a, const uint8_t* b) const;

    // Natural order steps through the record slots' status bytes, reading on through the record cache.
    bool IsLive(int32_t recordNumber);
    // The next (previous) live record after (before) `recordNumber`; 0 when there is none.
    int32_t NextLive(int32_t recordNumber);
    int32_t PriorLive(int32_t recordNumber);
    // All live records, for ranks and n-th records: read the first time they are needed after a change.
    const TRecordsBitmap& Live();

    // The open blob whose handle the field holds, with the table's descriptor of the field.
    struct TBlobInImage {
        const TFieldDescriptor& Field;
        int32_t Handle;
        TOpenBlob& Blob;
    };
    TBlobInImage BlobInImage(std::span<const uint8_t> record, const TFieldDescriptor& field);
    // An open cursor, and a record image of its table's size (else RecordBuffersCorrupt).
    void CheckBlobImage(std::span<const uint8_t> record) const;

    TDataDirectoryImpl& directory_;
    TDataTableImpl* table_ = nullptr;
    uint64_t seenTableGeneration_ = 0;
    uint64_t seenIndexGeneration_ = 0;
    uint64_t seenIndexChanges_ = 0;
    int32_t seenSlotCount_ = 0;

    int slot_ = 0;
    std::string indexName_;
    bool natural_ = false;
    TKeyLayout layout_;

    // Index order: the current leaf's offset and the current entry's position in it, with the entry's key
    // and record number (the key copied, so that the place can be found again after a change).
    uint32_t leafOffset_ = 0;
    int position_ = 0;
    uint32_t currentValue_ = 0;
    std::vector<uint8_t> currentKey_;
    bool hasLeaf_ = false;
    int64_t ordinal_ = 0;
    // Natural order: the current record number and the live records.
    int32_t recordNumber_ = 0;
    TRecordsBitmap bitmap_;
    bool bitmapStale_ = true;
    bool bof_ = false;
    bool eof_ = false;
    // The record the cursor stood on went away and it stands on the one after: the next step forward hands
    // that one out instead of passing it. Cleared once the record has been read.
    bool standsAfterGap_ = false;
    TReadDirection direction_ = TReadDirection::Forward;
    // Operations under way (TAccess): they looked for other users' changes when they began.
    int accessDepth_ = 0;
    // An exact search wants one record, not the block a walk would read next.
    bool singleRead_ = false;
    // Record reads that missed the cache since the cursor was last positioned (by a descent, or at an end
    // of natural order): a walk that goes on reads whole blocks, a look at a few records does not.
    int walkMisses_ = 0;
    // Records read since then (the same record read again counts once), and the last of them.
    int32_t walkReads_ = 0;
    int32_t walkLastRead_ = 0;

    bool rangeActive_ = false;
    std::vector<uint8_t> rangeStart_;
    std::vector<uint8_t> rangeEnd_;
    // A side of the range without a key: unbounded there.
    bool rangeStartOpen_ = true;
    bool rangeEndOpen_ = true;
    // Whole-index ordinals of the view's first and last entries.
    int64_t firstOrdinal_ = 1;
    int64_t lastOrdinal_ = 0;
    // Where ComputeBounds found the view's first entry (firstOrdinal_), when it found it: the first seek
    // of the view (a range's reposition, First) takes it rather than descend again, while the index file
    // has not changed or been reloaded.
    struct TEdgeHint {
        int Slot = 0;
        uint32_t Leaf = 0;
        int Position = 0;
        uint64_t Generation = 0;
        uint64_t ChangeCount = 0;
    };
    TEdgeHint firstHint_;
    // The leaf and place of the hint when it still holds for the view's first entry.
    TLeafHit HintedFirst();

    std::vector<uint8_t> record_;
    // While the table is open; the handles of its blobs name slots in it.
    std::optional<TOpenBlobList> openBlobs_;
    std::vector<uint8_t> searchKey_;
    // The record image a search by field values builds its key from.
    std::vector<uint8_t> searchRecord_;
    std::vector<uint8_t> savedKey_;
};

// The engine's side of a cursor of the face.
inline TDataCursorImpl& Inside(TDataCursor& cursor) {
    return static_cast<TDataCursorImpl&>(cursor);
}
inline const TDataCursorImpl& Inside(const TDataCursor& cursor) {
    return static_cast<const TDataCursorImpl&>(cursor);
}

}  // namespace kartei
