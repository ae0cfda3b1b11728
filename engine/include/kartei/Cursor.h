#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "kartei/Directory.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Index.h"
#include "kartei/Record.h"

namespace kartei {

class TDataTable;

// How FindKey takes its values.
enum class TKeyMatch {
    // Each value is its field's whole value.
    Whole,
    // The last value is the leading part of a text field's value (its characters as the field stores
    // them): the cursor lands on the first entry at or after it. An empty text leaves the values before it.
    LeadingText,
};

// One comparison of FindFirst: a field of the table and the value it must equal (null: the field must be
// null). Text values compare in the table's locale (by bytes without one), over `PartialLength` leading
// characters of both when that is not 0; other values compare as their field stores them.
struct TFieldCondition {
    const TFieldDescriptor* Field = nullptr;
    TFieldValue Value;
    size_t PartialLength = 0;
};

// One client's view of an open table (TDataDirectory::NewCursor, TDataTable::NewCursor): a current index
// (or natural record order), a position in its order with before-first and after-last states, an optional
// key range, and the current record. Many cursors may share one table; each keeps its own position. Every
// operation takes the table's read lock and looks for other users' changes first: after one, the cursor
// goes back to the record it stood on (or the one after it when that was deleted).
//
// Record images are record size bytes: the record header, then each stored field's null flag and value
// (kartei/Record.h reads and writes them).
class TDataCursor {
public:
    // Closes the table if still open; failures are dropped here.
    virtual ~TDataCursor() = default;
    TDataCursor(const TDataCursor&) = delete;
    TDataCursor& operator=(const TDataCursor&) = delete;

    // Opens the table: verifies its files when this is its first user (unless the request skips it), settles
    // the password of an encrypted table, rebuilds an index file that had to be recreated, selects the
    // primary index (or natural order) and moves to the first position.
    void Open(const TTableOpenRequest& request, bool naturalOrder = false);
    void Close();
    bool IsOpen() const;
    TDataTable& Table() const;
    uint16_t RecordSize() const;

    // Index selection. Selecting cancels any range and keeps the current record. InvalidIndexName for an
    // unknown name; the cursor then stays on its index, without a range. The empty name is the primary index.
    void SelectIndex(std::string_view name);
    int CurrentIndexSlot() const;
    bool NaturalOrder() const;
    int SecondaryIndexCount() const;
    // The descriptor of a slot (0: the primary index, then the secondary ones); all zero for natural order.
    TIndexDescriptor IndexDescriptor(int slot) const;

    // Before the first entry of the view (BOF) / after the last (EOF).
    void First();
    void Last();
    // Status (ErrorCode, which the caller decides whether to raise): Success, EndOfFile at the end /
    // BeginOfFile at the beginning; the buffer (record size bytes) gets the record, or zeros at an end.
    int GetNext(std::span<uint8_t> buffer);
    int GetPrior(std::span<uint8_t> buffer);
    // Up to `count` GetNext steps as one operation (one lock and one look for other users' changes, as a
    // screenful wants): the records go one after another into `images` (count × record size bytes).
    // Returns how many were read; fewer means the view ended, and the cursor is then at EOF.
    int32_t GetNextRecords(std::span<uint8_t> images, int32_t count);
    // NoCurrentRecord when the view is empty, BeginOfFile at BOF, EndOfFile at EOF (buffer zeroed). With
    // `recheck` the record is read again and compared with the buffer: RecordChanged when another user
    // changed or deleted it.
    int GetCurrent(std::span<uint8_t> buffer, bool recheck);
    // Moves n entries forward or backward (stops at either end, setting EOF or BOF).
    void MoveBy(int32_t n);
    bool Bof() const;
    bool Eof() const;

    // Entries in the view; the current entry's 1-based position in it (0 when there is none).
    int32_t RecordCount();
    int32_t Ordinal();
    void GoToOrdinal(int32_t n);
    // The record number of the current entry; 0 when the view is empty.
    int32_t CurrentRecordNumber();

    // A bookmark is the current full key in index order, the record number (4 bytes) in natural order; all
    // zero without a current entry.
    size_t BookmarkSize() const;
    void GetBookmark(std::span<uint8_t> bookmark);
    // Whether the cursor now stands on the bookmarked record (a deleted one: on its successor, false).
    bool GoToBookmark(std::span<const uint8_t> bookmark);
    int CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const;

    // A range over the current index, both ends inclusive, from the keys of two record images: a null image
    // leaves that side open, and a field count names the leading index fields the image supplies (0: all).
    // Nothing in natural order.
    void SetRange(const uint8_t* startRecord, int startFieldCount, const uint8_t* endRecord,
                  int endFieldCount);
    void CancelRange();
    bool RangeActive() const;

    // Positions on the key that `values` give for the current index's leading fields, in their order (each
    // of its field's kind); copies the record then current into `out` (may be empty). True when the view
    // holds an entry with those leading values. The cursor lands on the first entry at or after the key (the
    // last of the view past its end); only a whole search for every field of a unique index that finds
    // nothing leaves it where it was. In natural order there are no keys: false.
    bool FindKey(std::span<const TFieldValue> values, TKeyMatch match, std::span<uint8_t> out);
    // From the first entry of the view on, the first record that meets every condition (whose fields are
    // the table's): the cursor stands on it and `out` gets it. False when none does; the cursor then stands
    // after the last entry.
    bool FindFirst(std::span<const TFieldCondition> conditions, bool caseInsensitive, std::span<uint8_t> out);
    // Puts the cursor on live record `recordNumber` of its table; RecordNotFound when the view does not hold
    // it.
    void GoToRecord(int32_t recordNumber);

    // The current record image, as last read.
    std::span<const uint8_t> CurrentRecord() const;

    // Runs `steps`, calls on this cursor that read, as one operation: one lock and one look for other users'
    // changes for them all, as GetNextRecords has for its steps (a search and the screen after it, a range
    // and its records). What each step does and sees is what it would do and see on its own.
    template <typename Steps>
    void AsOneOperation(Steps&& steps) {
        RunAsOneOperation([](void* context) { (*static_cast<std::remove_reference_t<Steps>*>(context))(); },
                          &steps);
    }

protected:
    TDataCursor() = default;

private:
    void RunAsOneOperation(void (*run)(void*), void* context);
};

}  // namespace kartei
