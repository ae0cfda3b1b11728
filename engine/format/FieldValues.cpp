#include "kartei/Record.h"

#include <algorithm>
#include <cstring>

#include "base/Bcd.h"
#include "engine/format/Bytes.h"
#include "engine/format/RecordLayout.h"
#include "engine/locale/CaseMap.h"

namespace kartei {
namespace {

// The value bytes of a field in a const or mutable record image.
template <class Byte>
std::span<Byte> ValueArea(std::span<Byte> record, const TFieldDescriptor& field) {
    if (field.IsAutoIncrement()) {
        return record.subspan(kRecordAutoIncAt, 4);
    }
    if (!field.IsStored()) {
        return {};
    }
    return record.subspan(field.Offset + 1u, field.DataWidth);
}

// The value bytes for reading, or nullptr when the field has fewer than `width` of them.
const uint8_t* ValueToRead(std::span<const uint8_t> record, const TFieldDescriptor& field, size_t width) {
    const std::span<const uint8_t> value = ValueArea(record, field);
    return !value.empty() && value.size() >= width ? value.data() : nullptr;
}

// The value bytes for writing a value, with the null flag set; nullptr when the field has fewer than
// `width` of them or none at all.
uint8_t* ValueToWrite(std::span<uint8_t> record, const TFieldDescriptor& field, size_t width) {
    const std::span<uint8_t> value = ValueArea(record, field);
    if (value.empty() || value.size() < width) {
        return nullptr;
    }
    if (field.IsStored()) {
        record[field.Offset] = 1;
    }
    return value.data();
}

}  // namespace

std::span<const uint8_t> FieldValueBytes(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return ValueArea(record, field);
}

bool IsFieldNull(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    if (field.IsAutoIncrement()) {
        return false;
    }
    return !field.IsStored() || record[field.Offset] == 0;
}

void SetFieldNull(std::span<uint8_t> record, const TFieldDescriptor& field) {
    if (!field.IsStored()) {
        return;
    }
    std::fill_n(record.begin() + field.Offset, 1u + field.DataWidth, uint8_t{0});
}

std::string_view GetStringField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const std::span<const uint8_t> value = ValueArea(record, field);
    if (value.empty()) {
        return {};
    }
    const char* text = reinterpret_cast<const char*>(value.data());
    return {text, strnlen(text, value.size())};
}

void SetStringField(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text,
                    uint16_t languageId, uint16_t sortId) {
    SetFieldNull(record, field);
    const size_t width = ValueArea(record, field).size();
    if (width == 0) {
        return;
    }
    // One character beyond the declared size is looked at, so a blank at the cut survives.
    text = text.substr(0, size_t{field.Size} + 1);
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    // The terminating zero always fits, even in a damaged descriptor whose width disagrees with its size.
    text = text.substr(0, std::min<size_t>(field.Size, width - 1));
    if (text.empty()) {
        return;
    }
    char* stored = reinterpret_cast<char*>(ValueToWrite(record, field, text.size() + 1));
    std::memcpy(stored, text.data(), text.size());
    if (field.CharCase == CharCase::Upper) {
        UpperCaseInPlace(stored, text.size(), languageId, sortId);
    } else if (field.CharCase == CharCase::Lower) {
        LowerCaseInPlace(stored, text.size(), languageId, sortId);
    }
}

TDayNumber GetDateField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return {GetIntegerField(record, field)};
}

void SetDateField(std::span<uint8_t> record, const TFieldDescriptor& field, TDayNumber day) {
    SetIntegerField(record, field, day.Value);
}

TBlobReference GetBlobField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const uint8_t* p = ValueToRead(record, field, 8);
    return p ? TBlobReference{ReadI32(p), ReadI32(p + 4)} : TBlobReference{};
}

void SetBlobField(std::span<uint8_t> record, const TFieldDescriptor& field, TBlobReference reference) {
    if (uint8_t* p = ValueToWrite(record, field, 8)) {
        WriteI32(p, reference.Offset);
        WriteI32(p + 4, reference.BlobId);
    }
}

bool GetBooleanField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return GetWordField(record, field) != 0;
}

void SetBooleanField(std::span<uint8_t> record, const TFieldDescriptor& field, int32_t value) {
    SetWordField(record, field, value != 0 ? 1 : 0);
}

int16_t GetSmallIntField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return static_cast<int16_t>(GetWordField(record, field));
}

void SetSmallIntField(std::span<uint8_t> record, const TFieldDescriptor& field, int16_t value) {
    SetWordField(record, field, static_cast<uint16_t>(value));
}

int32_t GetIntegerField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const uint8_t* p = ValueToRead(record, field, 4);
    return p ? ReadI32(p) : 0;
}

void SetIntegerField(std::span<uint8_t> record, const TFieldDescriptor& field, int32_t value) {
    if (uint8_t* p = ValueToWrite(record, field, 4)) {
        WriteI32(p, value);
    }
}

double GetFloatField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const uint8_t* p = ValueToRead(record, field, 8);
    return p ? ReadF64(p) : 0.0;
}

void SetFloatField(std::span<uint8_t> record, const TFieldDescriptor& field, double value) {
    if (uint8_t* p = ValueToWrite(record, field, 8)) {
        WriteF64(p, value);
    }
}

int64_t GetBcdField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const uint8_t* p = ValueToRead(record, field, 8);
    return p ? ReadI64(p) : 0;
}

void SetBcdField(std::span<uint8_t> record, const TFieldDescriptor& field, int64_t scaledValue) {
    if (uint8_t* p = ValueToWrite(record, field, 8)) {
        WriteI64(p, RoundBcd(scaledValue, field.Decimals));
    }
}

TTimeOfDay GetTimeField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return {GetIntegerField(record, field)};
}

void SetTimeField(std::span<uint8_t> record, const TFieldDescriptor& field, TTimeOfDay time) {
    SetIntegerField(record, field, time.Milliseconds);
}

TTimeStamp GetDateTimeField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    return {GetFloatField(record, field)};
}

void SetDateTimeField(std::span<uint8_t> record, const TFieldDescriptor& field, TTimeStamp stamp) {
    SetFloatField(record, field, stamp.Milliseconds);
}

uint16_t GetWordField(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    const uint8_t* p = ValueToRead(record, field, 2);
    return p ? ReadU16(p) : 0;
}

void SetWordField(std::span<uint8_t> record, const TFieldDescriptor& field, uint16_t value) {
    if (uint8_t* p = ValueToWrite(record, field, 2)) {
        WriteU16(p, value);
    }
}

void SetRawField(std::span<uint8_t> record, const TFieldDescriptor& field, std::span<const uint8_t> bytes) {
    const size_t width = FieldValueBytes(record, field).size();
    if (uint8_t* p = ValueToWrite(record, field, width)) {
        const size_t count = std::min(bytes.size(), width);
        std::copy_n(bytes.begin(), count, p);
        std::fill(p + count, p + width, uint8_t{0});
    }
}

void SetFieldValue(std::span<uint8_t> record, const TFieldDescriptor& field, const TFieldValue& value,
                   uint16_t languageId, uint16_t sortId) {
    if (std::holds_alternative<std::monostate>(value)) {
        SetFieldNull(record, field);
        return;
    }
    switch (field.FieldType) {
        case FieldType::String:
            return SetStringField(record, field, std::get<std::string>(value), languageId, sortId);
        case FieldType::Date:
            return SetDateField(record, field, std::get<TDayNumber>(value));
        case FieldType::Blob:
            return;  // contents go through the blob file
        case FieldType::Boolean:
            return SetBooleanField(record, field, std::get<bool>(value));
        case FieldType::SmallInt:
            return SetSmallIntField(record, field, static_cast<int16_t>(std::get<int64_t>(value)));
        case FieldType::Integer:
            return SetIntegerField(record, field, static_cast<int32_t>(std::get<int64_t>(value)));
        case FieldType::Float:
            return SetFloatField(record, field, std::get<double>(value));
        case FieldType::Bcd:
            return SetBcdField(record, field, std::get<TBcdValue>(value).Scaled);
        case FieldType::Time:
            return SetTimeField(record, field, std::get<TTimeOfDay>(value));
        case FieldType::DateTime:
            return SetDateTimeField(record, field, std::get<TTimeStamp>(value));
        case FieldType::Word:
            return SetWordField(record, field, static_cast<uint16_t>(std::get<int64_t>(value)));
        default:
            return SetRawField(record, field, std::get<std::vector<uint8_t>>(value));
    }
}

void CopyFieldValues(std::span<const uint8_t> from, std::span<uint8_t> to) {
    std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
    std::fill_n(to.begin(), kRecordFieldsAt, uint8_t{0});
}

}  // namespace kartei
