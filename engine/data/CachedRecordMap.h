#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/data/Record.h"

namespace kartei {

// The records of a cache by record number: an open-addressing hash table with linear probing, so that
// finding, adding and dropping a record cost the same small amount however the numbers are spread.
// Where record-number order matters (writing back in runs, trimming) the caller sorts the few records
// concerned.
class TCachedRecordMap {
public:
    TRecord* Find(int32_t recordNumber) const;
    // `recordNumber` (above 0) must not be in the map yet.
    void Insert(int32_t recordNumber, TRecord& record);
    // Nothing happens when the number is not in the map.
    void Remove(int32_t recordNumber);
    void Clear();

    size_t Count() const { return count_; }

private:
    size_t Home(int32_t recordNumber) const;
    size_t Next(size_t slot) const { return (slot + 1) & (numbers_.size() - 1); }
    void Grow();

    // A power of two in size, at most three quarters full: a cache of about 5,000 records takes 8,192
    // slots rather than 16,384. The numbers stand apart from the records, so that a probe reads 16 slots
    // per cache line and a slot costs 12 bytes rather than 16.
    std::vector<int32_t> numbers_;  // 0: free
    std::vector<TRecord*> records_;
    size_t count_ = 0;
};

}  // namespace kartei
