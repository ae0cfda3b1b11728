#pragma once

#include <cstdint>
#include <vector>

namespace kartei {

// Which record slots of a table are live: the cursor's natural order. Bits are record numbers from 1.
class TRecordsBitmap {
public:
    void Reset(int32_t slotCount);
    void Set(int32_t recordNumber);
    bool Test(int32_t recordNumber) const;
    int32_t Count() const { return count_; }
    // The first live record after `recordNumber` (before it), 0 when there is none.
    int32_t Next(int32_t recordNumber) const;
    int32_t Prior(int32_t recordNumber) const;
    // The n-th live record (1-based), 0 when there are fewer.
    int32_t Nth(int32_t n) const;
    // Live records up to and including `recordNumber`.
    int32_t Rank(int32_t recordNumber) const;

private:
    std::vector<uint64_t> words_;
    int32_t slots_ = 0;
    int32_t count_ = 0;
};

}  // namespace kartei
