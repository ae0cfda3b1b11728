#pragma once

#include <cstdint>

#include "engine/keys/KeyLayout.h"

namespace kartei {

// Builds the key of a record image for an index: layout.KeyLength bytes into `key`. Each field gives a
// flag byte (1 = value, 0 = null) and its value area, encoded so that unsigned byte order is value order;
// a non-unique index appends the record identifier. Without a locale, a descending field of an ascending
// index is stored bit-inverted; with one, the comparison reverses it instead.
void BuildKey(const TKeyLayout& layout, const uint8_t* record, uint8_t* key);

}  // namespace kartei
