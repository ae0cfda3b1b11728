#include "engine/blob/BlobBlockCache.h"

#include <algorithm>
#include <cstring>

#include "engine/files/SparePool.h"

namespace kartei {
namespace {

// Blocks looked at, newest first, before the sorted list is searched.
constexpr int kRecentBlocks = 4;

}  // namespace

void TBlobBlockCache::Reset(uint16_t blockSize, int32_t capacity) {
    Clear();
    blockSize_ = blockSize;
    capacity_ = normalCapacity_ = capacity;
}

void TBlobBlockCache::Clear() {
    spare_.insert(spare_.end(), sorted_.begin(), sorted_.end());
    sorted_.clear();
    newest_ = oldest_ = nullptr;
}

void TBlobBlockCache::Release() {
    Clear();
    spare_.clear();
    owned_.clear();
}

std::vector<TBlobBlock*>::iterator TBlobBlockCache::Position(int32_t offset) {
    return std::lower_bound(sorted_.begin(), sorted_.end(), offset,
                            [](const TBlobBlock* block, int32_t value) { return block->Offset < value; });
}

TBlobBlock* TBlobBlockCache::Find(int32_t offset) {
    TBlobBlock* found = nullptr;
    TBlobBlock* recent = newest_;
    for (int k = 0; k < kRecentBlocks && recent != nullptr && found == nullptr; ++k, recent = recent->Older) {
        if (recent->Offset == offset) {
            found = recent;
        }
    }
    if (found == nullptr) {
        const auto at = Position(offset);
        if (at == sorted_.end() || (*at)->Offset != offset) {
            return nullptr;
        }
        found = *at;
    }
    if (found != newest_) {
        Unchain(found);
        ChainNewest(found);
    }
    return found;
}

TBlobBlock* TBlobBlockCache::TakeSpare() {
    TBlobBlock* block = nullptr;
    if (spare_.empty()) {
        owned_.push_back(std::make_unique<TBlobBlock>());
        block = owned_.back().get();
    } else {
        block = spare_.back();
        spare_.pop_back();
    }
    block->Image.Reserve(blockSize_);
    std::memset(block->Image.Data(), 0, blockSize_);
    block->Dirty = false;
    block->Offset = 0;
    return block;
}

void TBlobBlockCache::Insert(TBlobBlock* block) {
    sorted_.insert(Position(block->Offset), block);
    ChainNewest(block);
}

void TBlobBlockCache::Remove(TBlobBlock* block) {
    sorted_.erase(Position(block->Offset));
    Unchain(block);
}

TBlobBlock* TBlobBlockCache::OldestClean() const {
    for (TBlobBlock* block = oldest_; block != nullptr; block = block->Newer) {
        if (!block->Dirty) {
            return block;
        }
    }
    return nullptr;
}

void TBlobBlockCache::Trim() {
    capacity_ = normalCapacity_;
    for (auto at = sorted_.end();
         at != sorted_.begin() && static_cast<int64_t>(sorted_.size()) > capacity_;) {
        --at;
        if (!(*at)->Dirty) {
            Unchain(*at);
            spare_.push_back(*at);
            at = sorted_.erase(at);
        }
    }
    const int64_t room = capacity_ - static_cast<int64_t>(sorted_.size());
    FreeSparesBeyond(owned_, spare_, room > 0 ? static_cast<size_t>(room) : 0);
}

void TBlobBlockCache::Unchain(TBlobBlock* block) {
    (block->Newer != nullptr ? block->Newer->Older : newest_) = block->Older;
    (block->Older != nullptr ? block->Older->Newer : oldest_) = block->Newer;
    block->Newer = block->Older = nullptr;
}

void TBlobBlockCache::ChainNewest(TBlobBlock* block) {
    block->Older = newest_;
    block->Newer = nullptr;
    (newest_ != nullptr ? newest_->Newer : oldest_) = block;
    newest_ = block;
}

}  // namespace kartei
