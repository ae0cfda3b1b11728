#include "tools/FieldText.h"

#include <cmath>
#include <string_view>

#include "base/Cp1252.h"
#include "base/DateTime.h"
#include "base/ValueText.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei::tools {
namespace {

// Day numbers and times outside the calendar (a damaged record) are shown as the numbers they are.
bool IsCalendarDay(int64_t dayNumber) {
    return dayNumber >= 1 && dayNumber <= DayNumberFromDate(9999, 12, 31).Value;
}

std::string CalendarDateText(TDayNumber day) {
    return IsCalendarDay(day.Value) ? DateText(day) : std::to_string(day.Value);
}

std::string ClockTimeText(TTimeOfDay time) {
    const bool onTheClock = time.Milliseconds >= 0 && time.Milliseconds < kMillisecondsPerDay;
    return onTheClock ? TimeText(time, TTimeForm::Full) : std::to_string(time.Milliseconds);
}

}  // namespace

std::string DateTimeFieldText(TTimeStamp stamp) {
    const double day = std::floor(stamp.Milliseconds / kMillisecondsPerDay);
    if (!std::isfinite(stamp.Milliseconds) ||
        !IsCalendarDay(static_cast<int64_t>(std::fmax(-1, std::fmin(day, 1e9))))) {
        return FloatText(stamp.Milliseconds, TFloatForm::Shortest);
    }
    const TDayAndTime parts = SplitTimeStamp(stamp);
    return CalendarDateText(parts.Day) + " " + TimeText(parts.Time, TTimeForm::Full);
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
            return CalendarDateText(GetDateField(record, field));
        case FieldType::Boolean:
            return GetBooleanField(record, field) ? "true" : "false";
        case FieldType::SmallInt:
            return std::to_string(GetSmallIntField(record, field));
        case FieldType::Integer:
            return std::to_string(GetIntegerField(record, field));
        case FieldType::Word:
            return std::to_string(GetWordField(record, field));
        case FieldType::Float:
            return FloatText(GetFloatField(record, field), TFloatForm::Shortest);
        case FieldType::Bcd:
            return BcdText(GetBcdField(record, field), field.Decimals);
        case FieldType::Time:
            return ClockTimeText(GetTimeField(record, field));
        case FieldType::DateTime:
            return DateTimeFieldText(GetDateTimeField(record, field));
        default:
            return HexText(FieldValueBytes(record, field));
    }
}

}  // namespace kartei::tools
