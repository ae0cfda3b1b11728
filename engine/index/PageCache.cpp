#include "engine/index/PageCache.h"

#include <algorithm>

#include "base/ScopeGuard.h"

namespace kartei {

size_t TPageCache::IndexOf(uint32_t offset) const {
    return static_cast<size_t>(std::lower_bound(offsets_.begin(), offsets_.end(), offset) - offsets_.begin());
}

TPageCache::~TPageCache() {
    DeletePages();
}

void TPageCache::DeletePages() {
    for (TPage* page : pages_) {
        delete page;
    }
    pages_.clear();
}

TPageCache::TPageCache(TPageCache&& other) noexcept
    : pages_(std::move(other.pages_)),
      offsets_(std::move(other.offsets_)),
      mostRecent_(other.mostRecent_),
      leastRecent_(other.leastRecent_),
      normalCapacity_(other.normalCapacity_),
      capacity_(other.capacity_) {
    other.pages_.clear();
    other.offsets_.clear();
    other.mostRecent_ = other.leastRecent_ = nullptr;
    other.capacity_ = other.normalCapacity_;
}

TPageCache& TPageCache::operator=(TPageCache&& other) noexcept {
    if (this != &other) {
        DeletePages();
        pages_ = std::move(other.pages_);
        offsets_ = std::move(other.offsets_);
        mostRecent_ = other.mostRecent_;
        leastRecent_ = other.leastRecent_;
        normalCapacity_ = other.normalCapacity_;
        capacity_ = other.capacity_;
        other.pages_.clear();
        other.offsets_.clear();
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
    TPage* page = mostRecent_->older_;
    for (size_t k = 1; page != nullptr && page->Offset() != offset; ++k) {
        page = k < kRecentLooks ? page->older_ : nullptr;
    }
    if (page == nullptr) {
        const size_t at = IndexOf(offset);
        if (at == offsets_.size() || offsets_[at] != offset) {
            return nullptr;
        }
        page = pages_[at];
    }
    Unlink(*page);
    PushFront(*page);
    return page;
}

TPage& TPageCache::Insert(std::unique_ptr<TPage> page) {
    TPage& inserted = *page;
    const size_t at = IndexOf(inserted.Offset());
    const auto where = static_cast<std::ptrdiff_t>(at);
    pages_.insert(pages_.begin() + where, &inserted);
    UndoOnError([&] { offsets_.insert(offsets_.begin() + where, inserted.Offset()); },
                [&] { pages_.erase(pages_.begin() + where); });
    // Taken over only once both lists hold it: a failed insertion leaves the page with the caller.
    static_cast<void>(page.release());
    PushFront(inserted);
    return inserted;
}

std::unique_ptr<TPage> TPageCache::Remove(TPage& page) {
    Unlink(page);
    const auto at = static_cast<std::ptrdiff_t>(IndexOf(page.Offset()));
    std::unique_ptr<TPage> removed(pages_[static_cast<size_t>(at)]);
    pages_.erase(pages_.begin() + at);
    offsets_.erase(offsets_.begin() + at);
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
    for (TPage* page : pages_) {
        page->slot_ = slot;
    }
}

}  // namespace kartei
