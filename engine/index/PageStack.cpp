#include "engine/index/PageStack.h"

namespace kartei {

std::unique_ptr<TPage> TPageStack::Take() {
    if (spare_.empty()) {
        return std::make_unique<TPage>();
    }
    std::unique_ptr<TPage> page = std::move(spare_.back());
    spare_.pop_back();
    return page;
}

void TPageStack::Give(std::unique_ptr<TPage> page) {
    spare_.push_back(std::move(page));
}

}  // namespace kartei
