#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Hash.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {

// A hash of a key of `length` bytes that is the same for every two keys CompareKeys finds equal over that
// length: collated text enters through its sort key, so keys that differ only where the collator does not
// look hash alike.
// With `prefix`, when the key starts with collated text, the first `prefixSize` bytes of its sort key too
// (TCollator::SortKeyPrefix), from the same sort key.
uint64_t HashKey(const TKeyLayout& layout, const uint8_t* key, size_t length, uint8_t* prefix = nullptr,
                 size_t prefixSize = 0);

}  // namespace kartei
