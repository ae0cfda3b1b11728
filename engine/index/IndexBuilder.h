#pragma once

#include <cstdint>
#include <vector>

#include "engine/index/IndexFile.h"
#include "engine/index/PageRef.h"

namespace kartei {

// Builds the tree of an empty index bottom-up from its entries in ascending key order, as insertion
// would leave it but with every page filled to the last entry that fits: leaves first, each level above
// from the first keys, pages and counts of the one below, the pages of a level linked in key order. Only
// the last page of each level is held at a time, so the index may be far larger than the page cache.
class TIndexBuilder {
public:
    // The slot's tree must be empty (root 0).
    TIndexBuilder(TIndexFile& file, int slot);
    TIndexBuilder(const TIndexBuilder&) = delete;
    TIndexBuilder& operator=(const TIndexBuilder&) = delete;

    // The next entry; its key follows the previous one's.
    void Add(const uint8_t* key, uint32_t recordNumber) { Append(0, key, recordNumber, 1); }
    // Closes every level and makes its single top page the root.
    void Finish();

private:
    void Append(size_t level, const uint8_t* key, uint32_t value, uint32_t count);
    // The level's last page goes up as an entry of the level above.
    void Seal(size_t level);

    TIndexFile& file_;
    int slot_;
    // The page being filled on each level, leaves first.
    std::vector<TPageRef> open_;
};

}  // namespace kartei
