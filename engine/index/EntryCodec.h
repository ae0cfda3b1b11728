#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/index/IndexFormat.h"

namespace kartei {

// How one leaf entry is stored: the key bytes it shares with the previous key of its page (Leading, L) and
// the zero bytes it leaves out (Trailing, T): at the end of the key, or, in a non-unique index, just before
// the 4-byte record-identifier suffix, which is always stored.
struct TEntryForm {
    uint16_t Leading = 0;
    uint16_t Trailing = 0;
};

// The form of `key` after `previous` (nullptr for the first entry of a page) in a leaf of this geometry.
// Mode 3 caps both counts at 255.
TEntryForm LeafEntryForm(const TPageGeometry& geometry, const uint8_t* previous, const uint8_t* key);

// Bytes a leaf entry of that form takes on disk, record number included.
size_t LeafEntrySize(const TPageGeometry& geometry, TEntryForm form);

// Bytes a node entry takes on disk: key, child page offset and subtree count.
constexpr size_t NodeEntrySize(uint16_t keyLength) {
    return keyLength + 8u;
}

// Writes a leaf entry in its disk form at `out`; returns the bytes written (LeafEntrySize).
size_t WriteLeafEntry(const TPageGeometry& geometry, TEntryForm form, const uint8_t* key,
                      uint32_t recordNumber, uint8_t* out);

// Reads a leaf entry from at most `available` bytes at `in`: restores the full key (its leading bytes from
// `previous`, nullptr for the first entry) and the record number. Returns the bytes read, or 0 when the
// entry is malformed: counts beyond the key, leading bytes without a previous key, or an entry running past
// `available`. `form`, when given, gets the entry's leading and trailing counts.
size_t ReadLeafEntry(const TPageGeometry& geometry, const uint8_t* in, size_t available,
                     const uint8_t* previous, uint8_t* key, uint32_t& recordNumber,
                     TEntryForm* form = nullptr);

}  // namespace kartei
