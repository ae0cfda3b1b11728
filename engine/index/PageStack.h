#pragma once

#include <memory>
#include <vector>

#include "engine/index/Page.h"

namespace kartei {

// Spare page objects of an index file. Pages leave the caches into the pool and are taken from it before
// new ones are made, so that their entry buffers are reused rather than freed.
class TPageStack {
public:
    // A spare page, or a new one when the pool is empty. The caller resets it.
    std::unique_ptr<TPage> Take();
    void Give(std::unique_ptr<TPage> page);
    // Frees every spare page (when the file closes).
    void Clear() { spare_.clear(); }

private:
    std::vector<std::unique_ptr<TPage>> spare_;
};

}  // namespace kartei
