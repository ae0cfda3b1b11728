#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/files/EngineMemory.h"

namespace kartei {

// One cached block: its image as the table sees it (unscrambled), block size bytes.
struct TBlobBlock {
    int32_t Offset = 0;
    bool Dirty = false;
    TBlobBlock* Newer = nullptr;  // most-recently-used chain
    TBlobBlock* Older = nullptr;
    TEngineBuffer Image{512};
};

// The blocks of a blob file held in memory: kept sorted by offset for lookups and write-back runs, and
// chained by use, newest first, for the choice of a block to reuse. Spare blocks are pooled, not freed,
// until the cache is released. Reading and writing the file is the owner's part.
class TBlobBlockCache {
public:
    TBlobBlockCache() = default;
    TBlobBlockCache(const TBlobBlockCache&) = delete;
    TBlobBlockCache& operator=(const TBlobBlockCache&) = delete;

    // Empties the cache for blocks of this size and sets the capacity.
    void Reset(uint16_t blockSize, int32_t capacity);
    // Drops every block into the pool, dirty ones included.
    void Clear();
    // Clears and frees the pool too.
    void Release();

    // The cached block at offset, made the newest; nullptr when not cached. The four newest blocks are
    // looked at before the sorted list is searched.
    TBlobBlock* Find(int32_t offset);
    // A spare block with a zeroed image of the block size, not yet in the cache.
    TBlobBlock* TakeSpare();
    // Adds a block taken from the pool or removed from the cache, as the newest.
    void Insert(TBlobBlock* block);
    // Takes a block out of the cache; the caller inserts it again under another offset.
    void Remove(TBlobBlock* block);
    // The least recently used block that is not dirty, nullptr when every block is dirty.
    TBlobBlock* OldestClean() const;

    bool Full() const { return static_cast<int64_t>(sorted_.size()) >= capacity_; }
    int32_t Capacity() const { return capacity_; }
    // Room for more blocks while a transaction keeps its changes in memory.
    void Grow(int32_t blocks) { capacity_ += blocks; }
    // Back to the normal capacity, dropping the clean blocks with the highest offsets, and freeing the
    // spare blocks beyond it.
    void Trim();
    // Block buffers held, cached or spare: the memory the cache takes.
    size_t BlockBufferCount() const { return owned_.size(); }

    // Cached blocks in offset order.
    std::span<TBlobBlock* const> Blocks() const { return sorted_; }

private:
    void Unchain(TBlobBlock* block);
    void ChainNewest(TBlobBlock* block);
    std::vector<TBlobBlock*>::iterator Position(int32_t offset);

    uint16_t blockSize_ = 512;
    int32_t capacity_ = 0;
    int32_t normalCapacity_ = 0;
    std::vector<TBlobBlock*> sorted_;
    TBlobBlock* newest_ = nullptr;
    TBlobBlock* oldest_ = nullptr;
    std::vector<TBlobBlock*> spare_;
    std::vector<std::unique_ptr<TBlobBlock>> owned_;
};

}  // namespace kartei
