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
#include "engine/table/TableOpenRequest.h"

namespace kartei {

class TDataDirectory;
class TDataTable;

// How a key argument is given: a ready key of the current index's key length, or a record image from which
// the key is built.
enum class TKeyForm { Key, Record };

// Status values of the record-getting operations; the dataset layer decides whether to raise them.
namespace CursorStatus {
constexpr int Ok = 0;
constexpr int BeginningOfFile = 8705;
constexpr int EndOfFile = 8706;
constexpr int NoCurrentRecord = 8709;
}  // namespace CursorStatus

// One client's view of an open table: a current index (or natural record order), a position in its order
// with before-first and after-last states, an optional key range, and the current record. Many cursors may
// share one table; each keeps its own position. Every operation takes the table's read lock and looks for
// other users' changes first: after one, the cursor goes back to the record it stood on (or the one after
// it when that was deleted).
//
// A walk works inside the cursor's private copy of the current leaf page: only page boundaries follow the
// sibling links, and counts and ordinals come from the subtree counts, so they cost a descent or two.
class TDataCursor final : private TFetchCursor {
public:
    explicit TDataCursor(TDataDirectory& directory);
    // Closes the table if still open; failures are dropped here.
    ~TDataCursor() override;
    TDataCursor(const TDataCursor&) = delete;
    TDataCursor& operator=(const TDataCursor&) = delete;

    // Opens the table: verifies its files when this is its first user (unless the request skips it), settles
    // the password of an encrypted table, rebuilds an index file that had to be recreated, selects the
    // primary index (or natural order) and moves to the first position.
    void Open(const TTableOpenRequest& request, bool naturalOrder = false);
    void Close();
    bool IsOpen() const { return table_ != nullptr; }
    TDataTable& Table() const { return *table_; }
    uint16_t RecordSize() const { return static_cast<uint16_t>(record_.size()); }

    // Index selection. Selecting cancels any range and keeps the current record. 10022 for an unknown name;
    // the cursor then stays on its index, without a range. Slot 255 is natural order.
    void SelectIndex(std::string_view name);
    void SelectIndex(int slot);
    int CurrentIndexSlot() const { return slot_; }
    const std::string& CurrentIndexName() const { return indexName_; }
    bool NaturalOrder() const { return natural_; }
    int SecondaryIndexCount() const;
    // The descriptor of a slot; all zero for slot 255.
    TIndexDescriptor IndexDescriptor(int slot) const;
    // The key layout of the current index (meaningless in natural order).
    const TKeyLayout& KeyLayout() const { return layout_; }

    // Before the first entry of the view (BOF) / after the last (EOF).
    void First();
    void Last();
    // Status: 0, 8706 at the end / 8705 at the beginning; the buffer (record size bytes) gets the record,
    // or zeros at an end.
    int GetNext(std::span<uint8_t> buffer);
    int GetPrior(std::span<uint8_t> buffer);
    // Up to `count` GetNext steps as one operation (one lock and one look for other users' changes, as a
    // screenful wants): the records go one after another into `images` (count × record size bytes).
    // Returns how many were read; fewer means the view ended, and the cursor is then at EOF.
    int32_t GetNextRecords(std::span<uint8_t> images, int32_t count);
    // 8709 when the view is empty, 8705 at BOF, 8706 at EOF (buffer zeroed). With `recheck` the record is
    // read again and compared with the buffer: 8708 when another user changed or deleted it.
    int GetCurrent(std::span<uint8_t> buffer, bool recheck);
    // Moves n entries forward or backward (stops at either end, setting EOF or BOF).
    void MoveBy(int32_t n);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }

    // Entries in the view; the current entry's 1-based position in it (0 when there is none).
    int32_t RecordCount();
    int32_t Ordinal();
    void GoToOrdinal(int32_t n);
    // The record number of the current entry; 0 when the view is empty.
    int32_t CurrentRecordNumber();

    // A bookmark is the current full key in index order, the record number (4 bytes) in natural order; all
    // zero without a current entry.
    size_t BookmarkSize() const { return natural_ ? 4 : layout_.KeyLength; }
    void GetBookmark(std::span<uint8_t> bookmark);
    // Whether the cursor now stands on the bookmarked record (a deleted one: on its successor, false).
    bool GoToBookmark(std::span<const uint8_t> bookmark);
    int CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const;

    // Ranges over the current index, both ends inclusive. Keys of `form`; a null start or end leaves that
    // side open. Field counts name the leading index fields a key supplies (0: all).
    void SetRange(TKeyForm form, const uint8_t* start, int startFieldCount, const uint8_t* end,
                  int endFieldCount);
    void CancelRange();
    bool RangeActive() const { return rangeActive_; }
    // Positions on a key (a record image or a ready key) given for `fieldCount` leading fields (0: all) and
    // `partialLength` characters of the next string field; copies the record then current into `out`
    // (may be empty). Nearest lands on the first entry at or after the key (the last of the view past the
    // end); exact leaves the cursor where it was when the key is absent.
    bool FindKey(TKeyForm form, const uint8_t* key, std::span<uint8_t> out, int partialLength, bool nearest,
                 int fieldCount);

    // The current record image, as last read.
    std::span<const uint8_t> CurrentRecord() const { return record_; }

    // Blobs, edited in memory through handles (CursorBlobs.cpp). `record` is a record image of the table
    // (else 8962) and `field` one of its blob fields (else 10753). While open, a blob's negative handle
    // stands in bytes 0..3 of the field in that image; a field that holds no handle of this cursor's open
    // blobs, opened for that field, is 10030. Closing the cursor closes its blobs.
    //
    // Reads the blob the field names, under the read lock, and puts its handle into the field; a field that
    // holds one already gives it back. The 65th open blob is 9494, and the image is left as it was.
    int32_t OpenBlob(std::span<uint8_t> record, const TFieldDescriptor& field);
    size_t BlobSize(std::span<const uint8_t> record, const TFieldDescriptor& field);
    // Copies up to out.size() bytes from `offset` on; returns how many. An offset past the end is 9998.
    size_t ReadBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t offset,
                    std::span<uint8_t> out);
    // Writes `data` at `offset`, growing the blob (a gap before the offset reads as zeros). A blob longer
    // than a blob can record is 10029.
    void WriteBlob(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t offset,
                   std::span<const uint8_t> data);
    // Cuts the blob to `length` bytes; a length past the end is 9998.
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
    const uint8_t* CurrentKey() const { return leaf_.Key(leaf_.Position()); }
    // Follows a sibling link into the private copy; 8965 when the link leads nowhere sound.
    void LoadSibling(uint32_t offset, bool forward);
    bool StepForward();
    bool StepBackward();
    void MoveIndexed(int32_t n);
    void MoveNatural(int32_t n);
    void MoveBySteps(int32_t n);
    // On the first / last entry of the view, BOF and EOF clear; false (empty state) when it has none.
    bool SeekViewEdge(bool last);
    bool SeekViewFirst() { return SeekViewEdge(false); }
    // From BOF (or EOF) onto the view's first (or last) entry, as GetNext (GetPrior) does.
    void StepOffViewEdge(bool last);
    bool SeekViewLast() { return SeekViewEdge(true); }
    void ReadCurrent();

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
    // An open cursor, and a record image of its table's size (else 8962).
    void CheckBlobImage(std::span<const uint8_t> record) const;

    TDataDirectory& directory_;
    TDataTable* table_ = nullptr;
    uint64_t seenTableGeneration_ = 0;
    uint64_t seenIndexGeneration_ = 0;
    uint64_t seenIndexChanges_ = 0;
    int32_t seenSlotCount_ = 0;

    int slot_ = 0;
    std::string indexName_;
    bool natural_ = false;
    TKeyLayout layout_;

    // Index order: the private copy of the current leaf, its walk position the current entry.
    TPage leaf_;
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

    bool rangeActive_ = false;
    std::vector<uint8_t> rangeStart_;
    std::vector<uint8_t> rangeEnd_;
    // A side of the range without a key: unbounded there.
    bool rangeStartOpen_ = true;
    bool rangeEndOpen_ = true;
    // Whole-index ordinals of the view's first and last entries.
    int64_t firstOrdinal_ = 1;
    int64_t lastOrdinal_ = 0;

    std::vector<uint8_t> record_;
    // While the table is open; the handles of its blobs name slots in it.
    std::optional<TOpenBlobList> openBlobs_;
    std::vector<uint8_t> searchKey_;
    std::vector<uint8_t> savedKey_;
};

}  // namespace kartei
