#include "engine/keys/KeyLayout.h"

namespace kartei {

size_t KeyLengthOf(const TKeyLayout& layout) {
    if (layout.DeletedRecordIndex) {
        return kDeletedRecordKeyLength;
    }
    size_t length = layout.Unique ? 0 : kRecordIdSuffixSize;
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        length += layout.Fields[k].DataWidth + 1u;
    }
    return length;
}

bool OrderedByBytes(const TKeyLayout& layout) {
    if (layout.DeletedRecordIndex || layout.Locale.LanguageId == 0) {
        return true;
    }
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        if (layout.Fields[k].Type == FieldType::String || layout.Fields[k].Descending) {
            return false;
        }
    }
    return true;
}

}  // namespace kartei
