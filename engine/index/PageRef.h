#pragma once

#include "engine/index/Page.h"

namespace kartei {

class TIndexFile;

// A pinned page of an index file's cache: the page stays in the cache, and is not reused for another
// offset, until the reference is released or destroyed. An empty reference from a page read means the file
// was changed by another user and the caller must start its operation again.
class TPageRef {
public:
    TPageRef() = default;
    TPageRef(TIndexFile& file, TPage& page) : file_(&file), page_(&page) {}
    ~TPageRef() { Release(); }
    TPageRef(TPageRef&& other) noexcept : file_(other.file_), page_(other.page_) { other.page_ = nullptr; }
    TPageRef& operator=(TPageRef&& other) noexcept;
    TPageRef(const TPageRef&) = delete;
    TPageRef& operator=(const TPageRef&) = delete;

    explicit operator bool() const { return page_ != nullptr; }
    TPage* operator->() const { return page_; }
    TPage& operator*() const { return *page_; }
    TPage* Get() const { return page_; }
    void Release();

private:
    TIndexFile* file_ = nullptr;
    TPage* page_ = nullptr;
};

}  // namespace kartei
