#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/index/Page.h"

namespace kartei {

// The cached pages of one index: a list sorted by offset, searched by binary search, and a recency list.
// The cache owns its pages; the index file decides what enters and leaves.
class TPageCache {
public:
    static constexpr size_t kDefaultCapacity = 15;
    // Inside a transaction nothing may be written, so a cache full of changed pages grows by this much.
    static constexpr size_t kGrowth = 64;
    // How many of the most recently used pages Find looks at before it searches.
    static constexpr size_t kRecentLooks = 4;

    TPageCache() = default;
    ~TPageCache();
    TPageCache(TPageCache&& other) noexcept;
    TPageCache& operator=(TPageCache&& other) noexcept;
    TPageCache(const TPageCache&) = delete;
    TPageCache& operator=(const TPageCache&) = delete;

    // The page at `offset`, now the most recently used; nullptr when it is not cached. The most recently
    // used pages (a descent's root, node and leaf) are looked at before the list is searched.
    TPage* Find(uint32_t offset);
    // Adds a page whose offset is not cached yet, as the most recently used.
    TPage& Insert(std::unique_ptr<TPage> page);
    std::unique_ptr<TPage> Remove(TPage& page);
    // The least recently used page that is neither dirty nor pinned; nullptr when there is none.
    TPage* LeastRecentIdle() const;

    size_t Size() const { return pages_.size(); }
    size_t Capacity() const { return capacity_; }
    bool Full() const { return pages_.size() >= capacity_; }
    void Grow() { capacity_ += kGrowth; }
    // Back to the normal capacity, which is `pages` from now on when given (at least one page).
    void ResetCapacity() { capacity_ = normalCapacity_; }
    void ResetCapacity(size_t pages) {
        normalCapacity_ = pages > 0 ? pages : 1;
        ResetCapacity();
    }
    // The pages, sorted by offset.
    std::span<TPage* const> Pages() const { return pages_; }
    // The cache now belongs to another index slot (indexes above a deleted one move down).
    void Renumber(int slot);

private:
    void Unlink(TPage& page);
    void PushFront(TPage& page);
    void DeletePages();

    // Owned. Plain pointers, so that a page entering or leaving the sorted list moves the others as one
    // block of memory rather than one smart pointer at a time.
    std::vector<TPage*> pages_;
    // The pages' offsets in the same order: a search reads these side by side rather than each page.
    std::vector<uint32_t> offsets_;
    // Where `offset` stands or belongs in the sorted lists.
    size_t IndexOf(uint32_t offset) const;
    TPage* mostRecent_ = nullptr;
    TPage* leastRecent_ = nullptr;
    size_t normalCapacity_ = kDefaultCapacity;
    size_t capacity_ = kDefaultCapacity;
};

}  // namespace kartei
