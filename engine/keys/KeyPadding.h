#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/keys/KeyLayout.h"

namespace kartei {

// Overwrite key bytes `used` to the end so that the key becomes the lowest (highest) key of the index that
// begins with the first `used` bytes: a search or range key from leading fields, or from the start of a
// string. Order here is the ascending order of the index's comparison before index-level descending is
// applied; a descending index pads its start with PadKeyHigh and its end with PadKeyLow.
void PadKeyLow(const TKeyLayout& layout, uint8_t* key, size_t used);
void PadKeyHigh(const TKeyLayout& layout, uint8_t* key, size_t used);

// Fill a whole key buffer with a key below (above) every real key of the index, in the same sense.
void LowestKey(const TKeyLayout& layout, uint8_t* key);
void HighestKey(const TKeyLayout& layout, uint8_t* key);

}  // namespace kartei
