#include "engine/keys/KeyCompare.h"

#include <algorithm>
#include <cstring>

#include "engine/locale/Collator.h"

namespace kartei {
namespace {

int CompareBytes(const uint8_t* a, const uint8_t* b, size_t count) {
    const int result = std::memcmp(a, b, count);
    return (result > 0) - (result < 0);
}

int Directed(int result, bool reversed) {
    return reversed ? -result : result;
}

}  // namespace

int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const uint8_t* b, size_t length) {
    if (layout.DeletedRecordIndex) {
        return CompareBytes(a, b, length);
    }
    if (layout.Locale.LanguageId == 0) {
        return Directed(CompareBytes(a, b, length), layout.Descending);
    }
    size_t offset = 0;
    for (size_t k = 0; k < layout.FieldCount && offset < length; ++k) {
        const TKeyField& field = layout.Fields[k];
        const bool reversed = layout.Descending || field.Descending;
        int result = 0;
        if (field.Type == FieldType::String) {
            result = CompareBytes(a + offset, b + offset, 1);
            if (result == 0) {
                const size_t count = std::min<size_t>(field.DataWidth, length - offset - 1);
                result = layout.Locale.Collator->Compare(a + offset + 1, count, b + offset + 1, count);
                offset += count + 1;
            }
        } else {
            const size_t count = std::min<size_t>(field.DataWidth + 1u, length - offset);
            result = CompareBytes(a + offset, b + offset, count);
            offset += count;
        }
        if (result != 0) {
            return Directed(result, reversed);
        }
    }
    // The record identifier of a non-unique index.
    if (offset < length) {
        return Directed(CompareBytes(a + offset, b + offset, length - offset), layout.Descending);
    }
    return 0;
}

}  // namespace kartei
