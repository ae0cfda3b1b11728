#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// Folds `count` bytes into `hash` (FNV-1a, 64 bits): small, allocation-free and good enough for a table
// whose hits are confirmed by comparing the values themselves.
constexpr uint64_t kHashSeed = 14695981039346656037ull;
inline uint64_t HashBytes(const uint8_t* bytes, size_t count, uint64_t hash = kHashSeed) {
    for (size_t k = 0; k < count; ++k) {
        hash = (hash ^ bytes[k]) * 1099511628211ull;
    }
    return hash;
}

}  // namespace kartei
