#pragma once

#include <cstdint>
#include <span>

#include "engine/index/IndexFormat.h"

namespace kartei {

class TPage;

// Fills `page`, already Reset to its index, geometry and offset, from a page as stored. False when the block
// cannot be a page of that index: an unknown type, more entries than fit, or an entry that does not decode
// or runs past the page. Nothing in the block is trusted beyond these bounds.
bool DecodePage(std::span<const uint8_t, kIndexPageSize> block, TPage& page);

// The page as stored: header fields, the entries in their disk form (none for a free page), zero bytes to
// the end. False, with the block unusable, when the entries do not fit (a page left overfull by an
// abandoned operation).
bool EncodePage(const TPage& page, std::span<uint8_t, kIndexPageSize> block);

}  // namespace kartei
