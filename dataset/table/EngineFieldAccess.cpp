#include "dataset/table/EngineFieldAccess.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "kartei/Field.h"
#include "kartei/Record.h"

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

void WriteFieldValue(std::span<uint8_t> record, const TFieldDescriptor& field, const void* value,
                     uint16_t languageId, uint16_t sortId) {
    if (!value) {
        SetFieldNull(record, field);
        return;
    }
    switch (field.FieldType) {
        case FieldType::String: {
            const auto* text = static_cast<const char*>(value);
            SetStringField(record, field, std::string_view(text, strnlen(text, field.Size + 1u)), languageId,
                           sortId);
            break;
        }
        case FieldType::Date:
            SetDateField(record, field, TDayNumber{Take<int32_t>(value)});
            break;
        case FieldType::Boolean:
            SetBooleanField(record, field, Take<uint16_t>(value));
            break;
        case FieldType::SmallInt:
            SetSmallIntField(record, field, Take<int16_t>(value));
            break;
        case FieldType::Integer:
            SetIntegerField(record, field, Take<int32_t>(value));
            break;
        case FieldType::Float:
            SetFloatField(record, field, Take<double>(value));
            break;
        case FieldType::Bcd:
            SetBcdField(record, field, Take<int64_t>(value));
            break;
        case FieldType::Time:
            SetTimeField(record, field, TTimeOfDay{Take<int32_t>(value)});
            break;
        case FieldType::DateTime:
            SetDateTimeField(record, field, TTimeStamp{Take<double>(value)});
            break;
        case FieldType::Word:
            SetWordField(record, field, Take<uint16_t>(value));
            break;
        case FieldType::VarBytes: {
            const auto length = std::min<size_t>(Take<uint16_t>(value), field.Size);
            SetRawField(record, field, {static_cast<const uint8_t*>(value) + sizeof(uint16_t), length});
            break;
        }
        case FieldType::Blob:
            break;  // contents go through the blob file
        default:
            SetRawField(record, field, {static_cast<const uint8_t*>(value), field.DataWidth});
            break;
    }
}

}  // namespace kartei
