#include "engine/keys/KeyCompare.h"

#include <algorithm>
#include <cstring>

#include "engine/locale/Collator.h"

namespace kartei {
namespace {

int Directed(int result, bool reversed) {
    return reversed ? -result : result;
}

// CompareKeys with the collation of a string field's text left to `compareText(field, a, b, count)`.
template <typename CompareText>
int CompareFields(const TKeyLayout& layout, const uint8_t* a, const uint8_t* b, size_t length,
                  const CompareText& compareText) {
    if (layout.DeletedRecordIndex || layout.Locale.LanguageId == 0 || layout.BytesOrder) {
        return Directed(CompareBytes(a, b, length), BytesReversed(layout));
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
                result = compareText(k, a + offset + 1, b + offset + 1, count);
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

}  // namespace

int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const uint8_t* b, size_t length) {
    return CompareFields(layout, a, b, length,
                         [&](size_t, const uint8_t* aText, const uint8_t* bText, size_t count) {
                             return layout.Locale.Collator->Compare(aText, count, bText, count);
                         });
}

int CompareKeys(const TKeyLayout& layout, const uint8_t* a, const TPreparedKey& b, size_t length) {
    return CompareFields(layout, a, b.Bytes(), length,
                         [&](size_t field, const uint8_t* aText, const uint8_t*, size_t count) {
                             return layout.Locale.Collator->Compare(aText, count, b.Text(field), count);
                         });
}

}  // namespace kartei
