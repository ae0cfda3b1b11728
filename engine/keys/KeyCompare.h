#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/keys/KeyLayout.h"
#include "engine/keys/PreparedKey.h"

namespace kartei {

namespace key_bytes {

inline uint64_t BigEndian(uint64_t word) {
    return __builtin_bswap64(word);
}
inline uint32_t BigEndian(uint32_t word) {
    return __builtin_bswap32(word);
}

// The first sizeof(TWord) bytes as a big-endian number: such words order as their bytes do.
template <typename TWord>
inline TWord BigEndianWord(const uint8_t* bytes) {
    static_assert(std::endian::native == std::endian::little);
    TWord word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return BigEndian(word);
}

// The first sizeof(TWord) bytes of two runs as big-endian numbers: -1, 0 or 1.
template <typename TWord>
inline int CompareWord(const uint8_t* a, const uint8_t* b) {
    const TWord x = BigEndianWord<TWord>(a);
    const TWord y = BigEndianWord<TWord>(b);
    return x == y ? 0 : (x < y ? -1 : 1);
}

}  // namespace key_bytes

// Orders `count` bytes as unsigned numbers: -1, 0 or 1. Most byte-ordered keys are a few integer and
// identifier fields: eight bytes at a time as big-endian words costs less than a call to memcmp, which
// only pays for longer runs.
inline int CompareBytes(const uint8_t* a, const uint8_t* b, size_t count) {
    if (count > 32) {
        const int result = std::memcmp(a, b, count);
        return (result > 0) - (result < 0);
    }
    for (; count >= 8; a += 8, b += 8, count -= 8) {
        if (const int order = key_bytes::CompareWord<uint64_t>(a, b); order != 0) {
            return order;
        }
    }
    if (count >= 4) {
        if (const int order = key_bytes::CompareWord<uint32_t>(a, b); order != 0) {
            return order;
        }
        a += 4;
        b += 4;
        count -= 4;
    }
    for (size_t k = 0; k < count; ++k) {
        if (a[k] != b[k]) {
            return a[k] < b[k] ? -1 : 1;
        }
    }
    return 0;
}

// Orders two keys of an index over their first `length` bytes: -1, 0 or 1 as `a` sorts before, equal to or
// after `b`. A length that ends inside a field compares that field as a prefix, so a key truncated after its
// first fields, or inside a string, equals every key that begins the same way. Runs in place on page
// entries during binary search: allocates nothing, and touches only the layout's collator.
int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const uint8_t* b, size_t length);
// The same with `b` prepared: what a search compares its key with every entry it passes by.
int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const TPreparedKey& b, size_t length);

}  // namespace kartei
