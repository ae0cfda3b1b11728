#include "engine/keys/PreparedKey.h"

namespace kartei {

TPreparedKey::TPreparedKey(const TKeyLayout& layout, const uint8_t* key) : key_(key) {
    // Without a locale every comparison is by bytes.
    if (layout.DeletedRecordIndex || layout.Locale.LanguageId == 0) {
        return;
    }
    size_t offset = 0;
    size_t used = 0;
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        const TKeyField& field = layout.Fields[k];
        if (field.Type == FieldType::String) {
            texts_[k] = PrepareCollationText(key + offset + 1, field.DataWidth, units_.data() + used);
            used += field.DataWidth;
        }
        offset += field.DataWidth + 1u;
    }
}

}  // namespace kartei
