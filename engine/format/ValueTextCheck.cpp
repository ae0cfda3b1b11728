#include "engine/format/ValueTextCheck.h"

#include <limits>

#include "base/TextHelpers.h"
#include "base/ValueText.h"
#include "kartei/Field.h"

namespace kartei {
namespace {

bool InRange(std::string_view text, int64_t low, int64_t high) {
    const auto value = ParseIntegerText(text);
    return value && *value >= low && *value <= high;
}

}  // namespace

TValueKeyword ValueKeyword(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualsIgnoreAsciiCase(text, "DATE")) {
        return TValueKeyword::Date;
    }
    if (EqualsIgnoreAsciiCase(text, "TIME")) {
        return TValueKeyword::Time;
    }
    if (EqualsIgnoreAsciiCase(text, "NOW")) {
        return TValueKeyword::Now;
    }
    return TValueKeyword::None;
}

bool IsValidValueText(uint8_t fieldType, std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) {
        return true;
    }
    const TValueKeyword keyword = ValueKeyword(text);
    switch (fieldType) {
        case FieldType::Date:
            return keyword == TValueKeyword::Date || ParseDateText(text).has_value();
        case FieldType::Time:
            return keyword == TValueKeyword::Time || ParseTimeText(text).has_value();
        case FieldType::DateTime:
            return keyword != TValueKeyword::None || ParseDateTimeText(text).has_value();
        case FieldType::Boolean:
            return ParseBooleanText(text).has_value();
        case FieldType::SmallInt:
            return InRange(text, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
        case FieldType::Integer:
            return InRange(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        case FieldType::Word:
            return InRange(text, 0, std::numeric_limits<uint16_t>::max());
        case FieldType::Float:
            return ParseFloatText(text).has_value();
        case FieldType::Bcd:
            return ParseCurrencyText(text).has_value();
        default:
            return true;
    }
}

}  // namespace kartei
