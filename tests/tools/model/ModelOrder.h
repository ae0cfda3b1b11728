#pragma once

#include <cstdint>
#include <vector>

#include "engine/keys/KeyLayout.h"
#include "engine/table/DataTable.h"
#include "tools/model/ModelRecord.h"

namespace kartei::tools::model {

// The slot a cursor selects for record order.
constexpr int kRecordOrderSlot = 255;

// The order the model expects of one index. In a byte-order table the order comes from the field values
// themselves (nulls first, strings and Bytes by unsigned bytes, numbers by value, each field reversed when it
// is descending, the whole when the index is, equal values by identifier in a non-unique index). In a
// locale table, and for a case-insensitive index, it comes from the engine's own keys and comparison: the
// collation and the keys are tested on their own; here the trees and the cursor are.
class TIndexOrder {
public:
    TIndexOrder(TDataTableImpl& table, int slot);

    int Slot() const { return slot_; }
    int FieldCount() const { return layout_.FieldCount; }
    bool Unique() const { return layout_.Unique; }
    // Whether index field `position` (0-based) is a String field, and its declared size.
    bool IsString(int position) const;
    int StringSize(int position) const;

    // -1, 0, 1 as `a` sorts before, with, after `b`; 0 only for keys a unique index cannot hold twice.
    int Compare(const TModelRecord& a, const TModelRecord& b) const;
    // `entry` against what a search supplies of `probe`: its first `fieldCount` index fields (0: all) and,
    // with `partialLength`, that many characters of the string field after them.
    int ComparePrefix(const TModelRecord& entry, const TModelRecord& probe, int fieldCount,
                      int partialLength) const;
    // `entry` against the key a nearest search makes of `probe`: the supplied part padded to the lowest key
    // that begins with it. In a byte-order table that is ComparePrefix; with a locale, the engine's padding
    // decides, since a collation with a case level need not keep the strings that begin alike together.
    int CompareSearchKey(const TModelRecord& entry, const TModelRecord& probe, int fieldCount,
                         int partialLength) const;
    // The records in this order.
    std::vector<const TModelRecord*> Sorted(const std::vector<const TModelRecord*>& records) const;

private:
    int CompareField(int position, const TModelRecord& a, const TModelRecord& b, size_t prefix) const;
    int CompareValues(const TModelRecord& a, const TModelRecord& b, int fields, int partialLength) const;
    std::vector<uint8_t> KeyOf(const TModelRecord& record) const;
    size_t UsedLength(int fields, int partialLength) const;
    int SuppliedFields(int fieldCount, int partialLength) const;

    int slot_;
    TKeyLayout layout_;
    // The table's field (0-based) behind each index field.
    std::vector<size_t> fields_;
    std::vector<TFieldDescriptor> descriptors_;
    bool byValue_;
};

}  // namespace kartei::tools::model
