#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/keys/KeyLayout.h"
#include "engine/keys/PreparedKey.h"

namespace kartei {

// Orders two keys of an index over their first `length` bytes: -1, 0 or 1 as `a` sorts before, equal to or
// after `b`. A length that ends inside a field compares that field as a prefix, so a key truncated after its
// first fields, or inside a string, equals every key that begins the same way. Runs in place on page
// entries during binary search: allocates nothing, and touches only the layout's collator.
int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const uint8_t* b, size_t length);
// The same with `b` prepared: what a search compares its key with every entry it passes by.
int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const TPreparedKey& b, size_t length);

}  // namespace kartei
