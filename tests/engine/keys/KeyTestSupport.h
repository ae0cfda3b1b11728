#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "engine/keys/KeyLayout.h"
#include "engine/keys/KeyLocale.h"

namespace kartei::test {

using TBytes = std::vector<uint8_t>;

// Record images are written by hand: status byte, record number, record identifier at 5..8, then fields.
class TRecordImage {
public:
    explicit TRecordImage(size_t size, int32_t recordId = 1) : bytes_(size, 0) { Put(5, recordId, 4); }

    TRecordImage& Int(uint16_t offset, int64_t value, size_t width) {
        bytes_.at(offset) = 1;
        Put(offset + 1u, value, width);
        return *this;
    }
    TRecordImage& Double(uint16_t offset, double value) {
        int64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return Int(offset, bits, 8);
    }
    TRecordImage& Text(uint16_t offset, std::string_view text) {
        bytes_.at(offset) = 1;
        for (size_t k = 0; k < text.size(); ++k) {
            bytes_.at(offset + 1 + k) = static_cast<uint8_t>(text[k]);
        }
        return *this;
    }
    TRecordImage& Status(uint8_t status) {
        bytes_[0] = status;
        return *this;
    }
    const uint8_t* Data() const { return bytes_.data(); }

private:
    void Put(size_t offset, int64_t value, size_t width) {
        for (size_t k = 0; k < width; ++k) {
            bytes_.at(offset + k) = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * k));
        }
    }

    TBytes bytes_;
};

inline TKeyField Field(uint8_t type, uint16_t dataWidth, uint16_t recordOffset, bool descending = false) {
    TKeyField field;
    field.Type = type;
    field.DataWidth = dataWidth;
    field.RecordOffset = recordOffset;
    field.Descending = descending;
    return field;
}

inline TKeyField StringField(uint16_t declaredSize, uint16_t recordOffset, bool descending = false) {
    return Field(FieldType::String, declaredSize + 1, recordOffset, descending);
}

inline TKeyLocale Locale(uint16_t languageId, uint16_t sortId = 0) {
    return KeyLocaleFor(languageId, sortId).value();
}

struct TLayoutOptions {
    bool Unique = true;
    bool Descending = false;
    bool CaseInsensitive = false;
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
};

inline TKeyLayout Layout(std::initializer_list<TKeyField> fields, const TLayoutOptions& options = {}) {
    TKeyLayout layout;
    for (const TKeyField& field : fields) {
        layout.Fields[layout.FieldCount++] = field;
    }
    layout.Unique = options.Unique;
    layout.Descending = options.Descending;
    layout.CaseInsensitive = options.CaseInsensitive;
    layout.Locale = Locale(options.LanguageId, options.SortId);
    layout.KeyLength = static_cast<uint16_t>(KeyLengthOf(layout));
    return layout;
}

inline TBytes KeyOf(const TKeyLayout& layout, const TRecordImage& record) {
    TBytes key(layout.KeyLength);
    BuildKey(layout, record.Data(), key.data());
    return key;
}

// CompareKeys over the whole key.
inline int Order(const TKeyLayout& layout, const TBytes& a, const TBytes& b) {
    return CompareKeys(layout, a.data(), b.data(), layout.KeyLength);
}

}  // namespace kartei::test
