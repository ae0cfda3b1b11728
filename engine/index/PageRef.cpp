#include "engine/index/PageRef.h"

#include "engine/index/IndexFile.h"

namespace kartei {

TPageRef& TPageRef::operator=(TPageRef&& other) noexcept {
    if (this != &other) {
        Release();
        file_ = other.file_;
        page_ = other.page_;
        other.page_ = nullptr;
    }
    return *this;
}

void TPageRef::Release() {
    if (page_ != nullptr) {
        file_->ReleasePage(*page_);
        page_ = nullptr;
    }
}

}  // namespace kartei
