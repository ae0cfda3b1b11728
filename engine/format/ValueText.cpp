#include "engine/format/ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "engine/format/DateTimeValues.h"
#include "engine/format/FieldTypes.h"
#include "engine/format/TextHelpers.h"

namespace kartei {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Exactly `count` digits at `text[at]`.
std::optional<int> FixedDigits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (size_t k = at; k < at + count; ++k) {
        if (!IsDigit(text[k])) {
            return std::nullopt;
        }
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

// YYYY-MM-DD on an already trimmed text.
std::optional<int32_t> DateOf(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto year = FixedDigits(text, 0, 4);
    const auto month = FixedDigits(text, 5, 2);
    const auto day = FixedDigits(text, 8, 2);
    if (!year || !month || !day || *year < 1 || !IsValidDate(*year, *month, *day)) {
        return std::nullopt;
    }
    return DayNumberFromDate(*year, *month, *day);
}

// HH:MM:SS[.mmm] on an already trimmed text.
std::optional<int32_t> TimeOf(std::string_view text) {
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto hour = FixedDigits(text, 0, 2);
    const auto minute = FixedDigits(text, 3, 2);
    const auto second = FixedDigits(text, 6, 2);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    int milliseconds = 0;
    if (text.size() > 8) {
        const size_t digits = text.size() - 9;
        if (text[8] != '.' || digits < 1 || digits > 3) {
            return std::nullopt;
        }
        const auto fraction = FixedDigits(text, 9, digits);
        if (!fraction) {
            return std::nullopt;
        }
        milliseconds = *fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
    }
    return ((*hour * 60 + *minute) * 60 + *second) * 1000 + milliseconds;
}

// from_chars takes no leading '+'; allow one in front of a digit or a point.
std::string_view WithoutPlusSign(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && (IsDigit(text[1]) || text[1] == '.')) {
        text.remove_prefix(1);
    }
    return text;
}

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

std::optional<int32_t> ParseDateText(std::string_view text) {
    return DateOf(TrimBlanks(text));
}

std::optional<int32_t> ParseTimeText(std::string_view text) {
    return TimeOf(TrimBlanks(text));
}

std::optional<double> ParseDateTimeText(std::string_view text) {
    text = TrimBlanks(text);
    if (const auto day = DateOf(text)) {
        return DateTimeValue(*day, 0);
    }
    if (const auto time = TimeOf(text)) {
        return DateTimeValue(0, *time);
    }
    if (text.size() > 11 && (text[10] == ' ' || text[10] == 'T')) {
        const auto day = DateOf(text.substr(0, 10));
        const auto time = TimeOf(text.substr(11));
        if (day && time) {
            return DateTimeValue(*day, *time);
        }
    }
    return std::nullopt;
}

std::optional<bool> ParseBooleanText(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualsIgnoreAsciiCase(text, "true")) {
        return true;
    }
    if (EqualsIgnoreAsciiCase(text, "false")) {
        return false;
    }
    return std::nullopt;
}

std::optional<int64_t> ParseIntegerText(std::string_view text) {
    text = WithoutPlusSign(TrimBlanks(text));
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseFloatText(std::string_view text) {
    text = WithoutPlusSign(TrimBlanks(text));
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> ParseCurrencyText(std::string_view text) {
    text = TrimBlanks(text);
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        text.remove_prefix(1);
    }
    // The magnitude is gathered as a negative number: that side of int64 is one larger.
    int64_t scaled = 0;
    size_t places = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    bool roundAway = false;
    for (const char c : text) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        seenDigit = true;
        if (seenPoint && places == 4) {
            roundAway = c >= '5';
            ++places;
        } else if (!seenPoint || places < 4) {
            if (__builtin_mul_overflow(scaled, 10, &scaled) ||
                __builtin_sub_overflow(scaled, c - '0', &scaled)) {
                return std::nullopt;
            }
            places += seenPoint ? 1 : 0;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    for (; places < 4; ++places) {
        if (__builtin_mul_overflow(scaled, 10, &scaled)) {
            return std::nullopt;
        }
    }
    if (roundAway && __builtin_sub_overflow(scaled, 1, &scaled)) {
        return std::nullopt;
    }
    if (negative) {
        return scaled;
    }
    if (scaled == std::numeric_limits<int64_t>::min()) {
        return std::nullopt;
    }
    return -scaled;
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
