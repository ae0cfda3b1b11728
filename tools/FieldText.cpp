#include "tools/FieldText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "engine/format/DateTimeValues.h"
#include "engine/format/FieldTypes.h"
#include "engine/format/FieldValues.h"
#include "engine/locale/Cp1252.h"

namespace kartei::tools {
namespace {

// Day numbers and times outside the calendar (a damaged record) are shown as the numbers they are.
bool IsCalendarDay(int64_t dayNumber) {
    return dayNumber >= 1 && dayNumber <= DayNumberFromDate(9999, 12, 31);
}

std::string DateText(int32_t dayNumber) {
    if (!IsCalendarDay(dayNumber)) {
        return std::to_string(dayNumber);
    }
    const TCalendarDate date = DateFromDayNumber(dayNumber);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::string TimeText(int64_t milliseconds) {
    if (milliseconds < 0 || milliseconds >= kMillisecondsPerDay) {
        return std::to_string(milliseconds);
    }
    char text[48];
    std::snprintf(
        text, sizeof text, "%02lld:%02lld:%02lld.%03lld", static_cast<long long>(milliseconds / 3600000),
        static_cast<long long>(milliseconds / 60000 % 60), static_cast<long long>(milliseconds / 1000 % 60),
        static_cast<long long>(milliseconds % 1000));
    return text;
}

std::string FloatText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string BcdText(int64_t scaled, uint8_t decimals) {
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % 10000 + 10000).substr(1);
        fraction.resize(decimals, '0');
        text += "." + fraction;
    }
    return text;
}

}  // namespace

std::string DateTimeText(double value) {
    const double day = std::floor(value / kMillisecondsPerDay);
    if (!std::isfinite(value) || !IsCalendarDay(static_cast<int64_t>(std::fmax(-1, std::fmin(day, 1e9))))) {
        return FloatText(value);
    }
    auto dayNumber = static_cast<int32_t>(day);
    auto milliseconds = std::llround(value - day * kMillisecondsPerDay);
    if (milliseconds >= kMillisecondsPerDay) {
        ++dayNumber;
        milliseconds -= kMillisecondsPerDay;
    }
    return DateText(dayNumber) + " " + TimeText(milliseconds);
}

std::string HexText(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool IsTextBlob(const TFieldDescriptor& field) {
    return field.FieldType == FieldType::Blob &&
           (field.SubType == FieldSubtype::Memo || field.SubType == FieldSubtype::FormattedMemo);
}

std::string BlobText(std::span<const uint8_t> contents, const TFieldDescriptor& field) {
    if (IsTextBlob(field)) {
        return Cp1252ToUtf8(
            std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size()));
    }
    return HexText(contents);
}

std::string FieldText(std::span<const uint8_t> record, const TFieldDescriptor& field) {
    if (IsFieldNull(record, field)) {
        return {};
    }
    switch (field.FieldType) {
        case FieldType::String:
            return Cp1252ToUtf8(GetStringField(record, field));
        case FieldType::Date:
            return DateText(GetDateField(record, field));
        case FieldType::Boolean:
            return GetBooleanField(record, field) ? "true" : "false";
        case FieldType::SmallInt:
            return std::to_string(GetSmallIntField(record, field));
        case FieldType::Integer:
            return std::to_string(GetIntegerField(record, field));
        case FieldType::Word:
            return std::to_string(GetWordField(record, field));
        case FieldType::Float:
            return FloatText(GetFloatField(record, field));
        case FieldType::Bcd:
            return BcdText(GetBcdField(record, field), field.Decimals);
        case FieldType::Time:
            return TimeText(GetTimeField(record, field));
        case FieldType::DateTime:
            return DateTimeText(GetDateTimeField(record, field));
        default:
            return HexText(FieldValueBytes(record, field));
    }
}

}  // namespace kartei::tools
