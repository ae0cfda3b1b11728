#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/keys/KeyLocale.h"
#include "kartei/Field.h"
#include "kartei/Index.h"

namespace kartei {

// Every key buffer has this size; no index has a longer key.
constexpr size_t kKeyBufferSize = 524;
// The record identifier that ends every key of a non-unique index.
constexpr size_t kRecordIdSuffixSize = 4;
// The deleted-record index (slot 31) keys a record by its status byte and record identifier.
constexpr uint16_t kDeletedRecordKeyLength = 5;

// One field of an index, as its key image needs it.
struct TKeyField {
    // A FieldType code.
    uint8_t Type = 0;
    // Width of the value in the record and in the key (a string of declared size S: S + 1).
    uint16_t DataWidth = 0;
    // Offset in the record of the field's null-flag byte; the value follows it.
    uint16_t RecordOffset = 0;
    // An auto-increment field has no storage of its own: its value is the record identifier (record bytes
    // 5..8) and it is never null.
    bool AutoIncrement = false;
    bool Descending = false;
};

// How the keys of one index are made and ordered. The index layer fills it from the index descriptor, the
// table's field descriptors and the table's key locale.
struct TKeyLayout {
    std::array<TKeyField, kMaxKeyFields> Fields{};
    uint8_t FieldCount = 0;
    // The whole index is descending.
    bool Descending = false;
    // String values are upper-cased in the table's locale before they enter a key.
    bool CaseInsensitive = false;
    // A non-unique index appends the record identifier, so no two of its keys are equal.
    bool Unique = true;
    // Index slot 31: no fields, the key is the status byte and the record identifier, compared as bytes.
    bool DeletedRecordIndex = false;
    // Bytes of a key; at most kKeyBufferSize.
    uint16_t KeyLength = 0;
    TKeyLocale Locale;
    // Whether OrderedByBytes holds, as the index's layout records it: keys then compare in one pass over
    // their bytes. False compares field by field, which is right for every layout.
    bool BytesOrder = false;
};

// The key length the layout's fields and uniqueness give: (data width + 1) per field, plus the record
// identifier of a non-unique index.
size_t KeyLengthOf(const TKeyLayout& layout);

// Whether keys of the layout order as their bytes do (reversed when the index is descending): no locale,
// or no collated text and no field in a direction of its own.
bool OrderedByBytes(const TKeyLayout& layout);
// For such a layout, whether its keys order as their bytes reversed: a descending index, except the
// deleted-record index, which is always ascending.
inline bool BytesReversed(const TKeyLayout& layout) {
    return layout.Descending && !layout.DeletedRecordIndex;
}

}  // namespace kartei
