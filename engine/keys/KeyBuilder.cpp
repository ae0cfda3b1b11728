#include "engine/keys/KeyBuilder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/locale/CaseMap.h"

namespace kartei {
namespace {

// Record bytes 0 and 5..8: status byte and record identifier.
constexpr size_t kStatusOffset = 0;
constexpr size_t kRecordIdOffset = 5;

uint64_t ReadLittleEndian(const uint8_t* bytes, size_t size) {
    uint64_t value = 0;
    for (size_t k = size; k-- > 0;) {
        value = (value << 8) | bytes[k];
    }
    return value;
}

void WriteBigEndian(uint64_t value, size_t size, uint8_t* out) {
    for (size_t k = size; k-- > 0;) {
        out[k] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

// Signed integers: big-endian with the sign bit inverted, so negative values sort first.
void EncodeSigned(const uint8_t* value, size_t size, uint8_t* area) {
    const uint64_t signBit = uint64_t{1} << (size * 8 - 1);
    WriteBigEndian(ReadLittleEndian(value, size) ^ signBit, size, area);
}

// Doubles: non-negative values get the sign bit set, negative ones are inverted whole, so that larger
// magnitudes of negative values sort first. Negative zero is zero.
void EncodeDouble(const uint8_t* value, uint8_t* area) {
    constexpr uint64_t kSignBit = uint64_t{1} << 63;
    uint64_t bits = ReadLittleEndian(value, 8);
    if ((bits & kSignBit) == 0 || std::bit_cast<double>(bits) == 0.0) {
        bits |= kSignBit;
    } else {
        bits = ~bits;
    }
    WriteBigEndian(bits, 8, area);
}

void EncodeString(const TKeyLayout& layout, const TKeyField& field, const uint8_t* value, uint8_t* area) {
    // The area's last byte always stays zero, even for a stored string that lacks its terminator.
    const size_t capacity = field.DataWidth > 0 ? field.DataWidth - 1u : 0;
    const size_t length = static_cast<size_t>(std::find(value, value + capacity, uint8_t{0}) - value);
    std::memcpy(area, value, length);
    if (layout.CaseInsensitive) {
        const uint16_t languageId = layout.Locale.LanguageId;
        UpperCaseInPlace(reinterpret_cast<char*>(area), length, languageId,
                         languageId == 0 ? 0 : layout.Locale.SortId);
    }
}

void EncodeValue(const TKeyLayout& layout, const TKeyField& field, const uint8_t* value, uint8_t* area) {
    switch (field.Type) {
        case FieldType::String:
            EncodeString(layout, field, value, area);
            break;
        case FieldType::Date:
        case FieldType::Integer:
        case FieldType::Time:
            EncodeSigned(value, 4, area);
            break;
        case FieldType::SmallInt:
            EncodeSigned(value, 2, area);
            break;
        case FieldType::Boolean:
        case FieldType::Word:
            WriteBigEndian(ReadLittleEndian(value, 2), 2, area);
            break;
        case FieldType::Float:
        case FieldType::DateTime:
            EncodeDouble(value, area);
            break;
        case FieldType::Bcd:
            EncodeSigned(value, 8, area);
            break;
        default:
            std::memcpy(area, value, field.DataWidth);
            break;
    }
}

void InvertBytes(uint8_t* bytes, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        bytes[k] = static_cast<uint8_t>(~bytes[k]);
    }
}

}  // namespace

void BuildKey(const TKeyLayout& layout, const uint8_t* record, uint8_t* key) {
    std::memset(key, 0, layout.KeyLength);
    if (layout.DeletedRecordIndex) {
        key[0] = record[kStatusOffset];
        EncodeSigned(record + kRecordIdOffset, 4, key + 1);
        return;
    }
    const bool invertDescending = layout.Locale.LanguageId == 0 && !layout.Descending;
    size_t offset = 0;
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        const TKeyField& field = layout.Fields[k];
        uint8_t* image = key + offset;
        if (field.AutoIncrement) {
            image[0] = 1;
            EncodeValue(layout, field, record + kRecordIdOffset, image + 1);
        } else if (record[field.RecordOffset] != 0) {
            image[0] = 1;
            EncodeValue(layout, field, record + field.RecordOffset + 1, image + 1);
        }
        if (invertDescending && field.Descending) {
            // A string's last byte stays zero, as its terminator.
            InvertBytes(image, field.Type == FieldType::String ? field.DataWidth : field.DataWidth + 1u);
        }
        offset += field.DataWidth + 1u;
    }
    if (!layout.Unique) {
        EncodeSigned(record + kRecordIdOffset, 4, key + offset);
    }
}

}  // namespace kartei
