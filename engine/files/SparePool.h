#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace kartei {

// Caches pool their spare objects instead of freeing them; `owned` holds every object made, `spares` the
// ones not in use. This frees the spares beyond the first `keep`, so that a cache grown for a transaction
// gives its memory back when it shrinks again.
template <class T>
void FreeSparesBeyond(std::vector<std::unique_ptr<T>>& owned, std::vector<T*>& spares, size_t keep) {
    if (spares.size() <= keep) {
        return;
    }
    std::vector<T*> freed(spares.begin() + static_cast<std::ptrdiff_t>(keep), spares.end());
    spares.resize(keep);
    std::sort(freed.begin(), freed.end());
    std::erase_if(owned, [&freed](const std::unique_ptr<T>& object) {
        return std::binary_search(freed.begin(), freed.end(), object.get());
    });
}

}  // namespace kartei
