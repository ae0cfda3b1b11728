#include "tools/FieldParse.h"

#include <algorithm>
#include <limits>
#include <string>

#include "engine/format/FieldTypes.h"
#include "engine/format/FieldValues.h"
#include "engine/format/ValueText.h"
#include "engine/locale/Cp1252.h"
#include "tools/FieldText.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

std::string Cp1252Text(std::string_view text) {
    bool lossless = true;
    std::string converted = Utf8ToCp1252(text, &lossless);
    if (!lossless) {
        throw InputError("'" + std::string(text) + "' is not UTF-8 text that Windows-1252 can hold");
    }
    return converted;
}

template <class T>
T Integer(std::string_view text, int64_t low = std::numeric_limits<T>::min(),
          int64_t high = std::numeric_limits<T>::max()) {
    const std::optional<int64_t> value = ParseIntegerText(text);
    if (!value) {
        throw InputError("'" + std::string(text) + "' is not a whole number");
    }
    if (*value < low || *value > high) {
        throw InputError(std::string(text) + " is outside " + std::to_string(low) + ".." +
                         std::to_string(high));
    }
    return static_cast<T>(*value);
}

template <class T>
T Required(std::optional<T> value, std::string_view text, const char* form) {
    if (!value) {
        throw InputError("'" + std::string(text) + "' is not " + form);
    }
    return *value;
}

std::vector<uint8_t> HexBytes(std::string_view text, size_t capacity) {
    const auto digit = [&](char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
            return (c | 0x20) - 'a' + 10;
        }
        throw InputError("'" + std::string(text) + "' is not hexadecimal");
    };
    if (text.size() % 2 != 0) {
        throw InputError("'" + std::string(text) + "' is not hexadecimal (odd number of digits)");
    }
    if (text.size() / 2 > capacity) {
        throw InputError("'" + std::string(text) + "' is longer than " + std::to_string(capacity) + " bytes");
    }
    std::vector<uint8_t> bytes;
    for (size_t k = 0; k < text.size(); k += 2) {
        bytes.push_back(static_cast<uint8_t>(digit(text[k]) * 16 + digit(text[k + 1])));
    }
    return bytes;
}

void StoreString(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text,
                 uint16_t languageId, uint16_t sortId) {
    const std::string converted = Cp1252Text(text);
    // Trailing blanks are never stored; anything else beyond the size would be lost.
    const size_t kept = converted.find_last_not_of(' ') + 1;
    if (kept > field.Size) {
        throw InputError("'" + std::string(text) + "' is longer than " + std::to_string(field.Size) +
                         " characters");
    }
    SetStringField(record, field, converted, languageId, sortId);
}

void StoreBcd(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text) {
    // Places beyond the field's (at most four) would be rounded away; trailing zeros lose nothing.
    const size_t places = std::min<size_t>(field.Decimals, 4);
    const size_t point = text.find('.');
    if (point != std::string_view::npos) {
        const size_t last = text.find_last_not_of('0');
        if (last > point && last - point > places) {
            throw InputError("'" + std::string(text) + "' has more than " + std::to_string(places) +
                             " decimal places");
        }
    }
    SetBcdField(record, field, Required(ParseCurrencyText(text), text, "a decimal number"));
}

}  // namespace

void CheckRequired(const TFieldDescriptor& field, std::string_view text) {
    if (field.Required != 0 && text.empty() && !field.IsAutoIncrement()) {
        throw InputError("a value is required");
    }
}

void StoreFieldText(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text,
                    uint16_t languageId, uint16_t sortId) {
    if (text.empty()) {
        SetFieldNull(record, field);
        return;
    }
    switch (field.FieldType) {
        case FieldType::String:
            return StoreString(record, field, text, languageId, sortId);
        case FieldType::Date:
            return SetDateField(record, field, Required(ParseDateText(text), text, "a date (YYYY-MM-DD)"));
        case FieldType::Boolean:
            return SetBooleanField(record, field, Required(ParseBooleanText(text), text, "true or false"));
        case FieldType::SmallInt:
            return SetSmallIntField(record, field, Integer<int16_t>(text));
        case FieldType::Integer:
            return SetIntegerField(
                record, field, field.IsAutoIncrement() ? Integer<int32_t>(text, 1) : Integer<int32_t>(text));
        case FieldType::Word:
            return SetWordField(record, field, Integer<uint16_t>(text));
        case FieldType::Float:
            return SetFloatField(record, field, Required(ParseFloatText(text), text, "a number"));
        case FieldType::Bcd:
            return StoreBcd(record, field, text);
        case FieldType::Time:
            return SetTimeField(record, field, Required(ParseTimeText(text), text, "a time (HH:MM:SS.mmm)"));
        case FieldType::DateTime:
            return SetDateTimeField(
                record, field,
                Required(ParseDateTimeText(text), text, "a date and time (YYYY-MM-DD HH:MM:SS.mmm)"));
        case FieldType::Blob:
            throw InputError("field '" + field.Name + "' is a blob field");
        default:
            return SetRawField(record, field, HexBytes(text, field.DataWidth));
    }
}

std::vector<uint8_t> BlobContentsFromText(const TFieldDescriptor& field, std::string_view text) {
    if (IsTextBlob(field)) {
        const std::string converted = Cp1252Text(text);
        return std::vector<uint8_t>(converted.begin(), converted.end());
    }
    return HexBytes(text, std::numeric_limits<int32_t>::max());
}

}  // namespace kartei::tools
