#include "dataset/table/EngineFieldAccess.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kartei {
namespace {

template <typename T>
void Put(void* value, T number) {
    std::memcpy(value, &number, sizeof(T));
}

template <typename T>
T Take(const void* value) {
    T number;
    std::memcpy(&number, value, sizeof(T));
    return number;
}

}  // namespace

bool ReadFieldValue(std::span<const uint8_t> record, const TFieldDescriptor& field, void* value) {
    if (field.FieldType == FieldType::Blob) {
        return GetBlobField(record, field).Offset != 0;
    }
    if (IsFieldNull(record, field)) {
        return false;
    }
    if (!value) {
        return true;
    }
    switch (field.FieldType) {
        case FieldType::String: {
            const std::string_view text = GetStringField(record, field).substr(0, field.Size);
            std::memcpy(value, text.data(), text.size());
            static_cast<char*>(value)[text.size()] = '\0';
            break;
        }
        case FieldType::Date:
            Put(value, GetDateField(record, field).Value);
            break;
        case FieldType::Boolean:
            Put(value, static_cast<uint16_t>(GetBooleanField(record, field)));
            break;
        case FieldType::SmallInt:
            Put(value, GetSmallIntField(record, field));
            break;
        case FieldType::Integer:
            Put(value, GetIntegerField(record, field));
            break;
        case FieldType::Float:
            Put(value, GetFloatField(record, field));
            break;
        case FieldType::Bcd:
            Put(value, GetBcdField(record, field));
            break;
        case FieldType::Time:
            Put(value, GetTimeField(record, field).Milliseconds);
            break;
        case FieldType::DateTime:
            Put(value, GetDateTimeField(record, field).Milliseconds);
            break;
        case FieldType::Word:
            Put(value, GetWordField(record, field));
            break;
        case FieldType::VarBytes: {
            const std::span<const uint8_t> bytes = FieldValueBytes(record, field);
            const auto length = static_cast<uint16_t>(std::min<size_t>(bytes.size(), field.Size));
            Put(value, length);
            std::memcpy(static_cast<uint8_t*>(value) + sizeof(uint16_t), bytes.data(), length);
            break;
        }
        default: {
            const std::span<const uint8_t> bytes = FieldValueBytes(record, field);
            std::memcpy(value, bytes.data(), bytes.size());
            break;
        }
    }
    return true;
}

TFieldValue NativeFieldValue(const TFieldDescriptor& field, const void* value) {
    if (!value || field.FieldType == FieldType::Blob) {
        return {};
    }
    switch (field.FieldType) {
        case FieldType::String: {
            const auto* text = static_cast<const char*>(value);
            return std::string(text, strnlen(text, field.Size + 1u));
        }
        case FieldType::Date:
            return TDayNumber{Take<int32_t>(value)};
        case FieldType::Boolean:
            return Take<uint16_t>(value) != 0;
        case FieldType::SmallInt:
            return int64_t{Take<int16_t>(value)};
        case FieldType::Integer:
            return int64_t{Take<int32_t>(value)};
        case FieldType::Float:
            return Take<double>(value);
        case FieldType::Bcd:
            return TBcdValue{Take<int64_t>(value)};
        case FieldType::Time:
            return TTimeOfDay{Take<int32_t>(value)};
        case FieldType::DateTime:
            return TTimeStamp{Take<double>(value)};
        case FieldType::Word:
            return int64_t{Take<uint16_t>(value)};
        case FieldType::VarBytes: {
            const auto* bytes = static_cast<const uint8_t*>(value) + sizeof(uint16_t);
            return std::vector<uint8_t>(bytes, bytes + std::min<size_t>(Take<uint16_t>(value), field.Size));
        }
        default: {
            const auto* bytes = static_cast<const uint8_t*>(value);
            return std::vector<uint8_t>(bytes, bytes + field.DataWidth);
        }
    }
}

void WriteFieldValue(std::span<uint8_t> record, const TFieldDescriptor& field, const void* value,
                     uint16_t languageId, uint16_t sortId) {
    if (value && field.FieldType == FieldType::Blob) {
        return;
    }
    SetFieldValue(record, field, NativeFieldValue(field, value), languageId, sortId);
}

}  // namespace kartei
