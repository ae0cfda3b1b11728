#include "engine/keys/KeyHash.h"

#include <algorithm>

#include "engine/locale/Collator.h"

namespace kartei {

uint64_t HashKey(const TKeyLayout& layout, const uint8_t* key, size_t length, uint8_t* prefix,
                 size_t prefixSize) {
    if (layout.DeletedRecordIndex || layout.Locale.LanguageId == 0) {
        return HashBytes(key, length);
    }
    // The walk of CompareKeys: a string field is its null flag and its collated text, any other field
    // its bytes, and what follows the fields (a record identifier) its bytes.
    uint64_t hash = kHashSeed;
    size_t offset = 0;
    for (size_t k = 0; k < layout.FieldCount && offset < length; ++k) {
        const TKeyField& field = layout.Fields[k];
        if (field.Type == FieldType::String) {
            hash = HashBytes(key + offset, 1, hash);
            const size_t count = std::min<size_t>(field.DataWidth, length - offset - 1);
            const bool first = k == 0;
            hash = layout.Locale.Collator->Hash(key + offset + 1, count, hash, first ? prefix : nullptr,
                                                first ? prefixSize : 0);
            offset += count + 1;
        } else {
            const size_t count = std::min<size_t>(field.DataWidth + 1u, length - offset);
            hash = HashBytes(key + offset, count, hash);
            offset += count;
        }
    }
    return offset < length ? HashBytes(key + offset, length - offset, hash) : hash;
}

}  // namespace kartei
