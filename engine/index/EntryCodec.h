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

// Where a leaf entry starts within the page's entry data, and its form.
struct TLeafEntryPlace {
    uint16_t At = 0;
    TEntryForm Form;
};

// Reads and checks the forms of the `count` leaf entries that the kPageDataSize bytes at `data` hold, one
// after another from the first of a page, into `places`; returns the bytes they take, or 0 when an entry
// is malformed (counts beyond the key, leading bytes in the first entry) or they run past the page.
size_t ReadLeafForms(const TPageGeometry& geometry, const uint8_t* data, int count, TLeafEntryPlace* places);

// Writes bytes [from, to) of the key of a well-formed leaf entry stored at `in` with `form`, where `from` is
// at least form.Leading: the bytes the entry stores and the zeros it leaves out.
void ExpandLeafKey(const TPageGeometry& geometry, const uint8_t* in, TEntryForm form, size_t from, size_t to,
                   uint8_t* key);

// The record number of a well-formed leaf entry stored at `in` with `form`.
uint32_t LeafRecordNumber(const TPageGeometry& geometry, const uint8_t* in, TEntryForm form);

}  // namespace kartei
