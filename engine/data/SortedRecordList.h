#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/data/Record.h"

namespace kartei {

// The records of a cache sorted by record number, searched by halving. The slots form a ring, so a
// record is added at either end without moving the others, and in the middle by moving the shorter
// side. A removed record leaves a vacancy that keeps its number: removal moves nothing, a later insert
// next to it fills it, and the list is compacted once vacancies outnumber the records. Reading through
// a table forwards or backwards therefore costs the same small amount per record.
class TSortedRecordList {
public:
    TRecord* Find(int32_t recordNumber) const;
    // `recordNumber` must not be in the list yet.
    void Insert(int32_t recordNumber, TRecord& record);
    // Leaves a vacancy where the record of that number was.
    void Remove(int32_t recordNumber);
    // Makes vacancies for the numbers first .. first + count - 1 that are not in the list, moving the
    // others once: a block of consecutive records then fills them without moving anything.
    void Reserve(int32_t first, int32_t count);
    void Clear();

    // Records in the list.
    size_t Count() const { return count_; }
    // Slots in ascending record-number order, vacancies included (At gives nullptr for one). Removing
    // keeps every slot where it is; only Insert moves them.
    size_t SlotCount() const { return used_; }
    TRecord* At(size_t slot) const { return Entry(slot).Record; }

private:
    struct TEntry {
        int32_t RecordNumber;
        TRecord* Record;  // nullptr: a vacancy
    };

    TEntry& Entry(size_t slot) { return ring_[(first_ + slot) & (ring_.size() - 1)]; }
    const TEntry& Entry(size_t slot) const { return ring_[(first_ + slot) & (ring_.size() - 1)]; }
    // The first slot whose number is not below `recordNumber`.
    size_t LowerBound(int32_t recordNumber) const;
    // Puts the entry at `slot`, moving the shorter side of the ring by one.
    void InsertAt(size_t slot, TEntry entry);
    void Grow();
    void Compact();

    // A power of two in size, so that slot positions wrap by masking.
    std::vector<TEntry> ring_;
    // Reserve's copy of the entries already in the block's range, kept for reuse.
    std::vector<TEntry> scratch_;
    size_t first_ = 0;
    size_t used_ = 0;
    size_t count_ = 0;
};

}  // namespace kartei
