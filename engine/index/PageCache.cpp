#include "engine/index/PageCache.h"

#include <algorithm>

namespace kartei {
namespace {

bool OffsetBelow(const std::unique_ptr<TPage>& page, uint32_t offset) {
    return page->Offset() < offset;
}

}  // namespace

TPageCache::TPageCache(TPageCache&& other) noexcept
    : pages_(std::move(other.pages_)),
      mostRecent_(other.mostRecent_),
      leastRecent_(other.leastRecent_),
      normalCapacity_(other.normalCapacity_),
      capacity_(other.capacity_) {
    other.pages_.clear();
    other.mostRecent_ = other.leastRecent_ = nullptr;
    other.capacity_ = other.normalCapacity_;
}

TPageCache& TPageCache::operator=(TPageCache&& other) noexcept {
    if (this != &other) {
        pages_ = std::move(other.pages_);
        mostRecent_ = other.mostRecent_;
        leastRecent_ = other.leastRecent_;
        normalCapacity_ = other.normalCapacity_;
        capacity_ = other.capacity_;
        other.pages_.clear();
        other.mostRecent_ = other.leastRecent_ = nullptr;
        other.capacity_ = other.normalCapacity_;
    }
    return *this;
}

void TPageCache::Unlink(TPage& page) {
    (page.newer_ != nullptr ? page.newer_->older_ : mostRecent_) = page.older_;
    (page.older_ != nullptr ? page.older_->newer_ : leastRecent_) = page.newer_;
    page.newer_ = page.older_ = nullptr;
}

void TPageCache::PushFront(TPage& page) {
    page.newer_ = nullptr;
    page.older_ = mostRecent_;
    (mostRecent_ != nullptr ? mostRecent_->newer_ : leastRecent_) = &page;
    mostRecent_ = &page;
}

TPage* TPageCache::Find(uint32_t offset) {
    if (mostRecent_ == nullptr) {
        return nullptr;
    }
    if (mostRecent_->Offset() == offset) {
        return mostRecent_;
    }
    TPage* page = nullptr;
    if (mostRecent_->older_ != nullptr && mostRecent_->older_->Offset() == offset) {
        page = mostRecent_->older_;
    } else {
        const auto it = std::lower_bound(pages_.begin(), pages_.end(), offset, OffsetBelow);
        if (it == pages_.end() || (*it)->Offset() != offset) {
            return nullptr;
        }
        page = it->get();
    }
    Unlink(*page);
    PushFront(*page);
    return page;
}

TPage& TPageCache::Insert(std::unique_ptr<TPage> page) {
    TPage& inserted = *page;
    const auto it = std::lower_bound(pages_.begin(), pages_.end(), inserted.Offset(), OffsetBelow);
    pages_.insert(it, std::move(page));
    PushFront(inserted);
    return inserted;
}

std::unique_ptr<TPage> TPageCache::Remove(TPage& page) {
    Unlink(page);
    const auto it = std::lower_bound(pages_.begin(), pages_.end(), page.Offset(), OffsetBelow);
    std::unique_ptr<TPage> removed = std::move(*it);
    pages_.erase(it);
    return removed;
}

TPage* TPageCache::LeastRecentIdle() const {
    for (TPage* page = leastRecent_; page != nullptr; page = page->newer_) {
        if (!page->dirty_ && page->pins_ == 0) {
            return page;
        }
    }
    return nullptr;
}

void TPageCache::Renumber(int slot) {
    for (const std::unique_ptr<TPage>& page : pages_) {
        page->slot_ = slot;
    }
}

}  // namespace kartei
