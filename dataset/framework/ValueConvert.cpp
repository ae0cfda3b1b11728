#include "dataset/framework/ValueConvert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "dataset/framework/ConvertError.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "engine/format/DateTimeValues.h"
#include "engine/format/ValueText.h"

namespace kartei {
namespace {

template <typename T>
T ParsedOrRaise(std::optional<T> value, std::string_view pattern, std::string_view text) {
    if (!value) {
        throw EConvertError(FormatMessage(pattern, {text}));
    }
    return *value;
}

[[noreturn]] void RaiseOverflow() {
    throw EConvertError(std::string(kSVarOverflow));
}

}  // namespace

std::string IntegerText(int64_t value) {
    return std::to_string(value);
}

std::string FloatText(double value) {
    // Plain decimals for everyday magnitudes (3000000000, not 3e+09), exponents beyond them.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value,
                                      plain ? std::chars_format::fixed : std::chars_format::general);
    return std::string(text, result.ptr);
}

std::string BooleanText(bool value) {
    return value ? "True" : "False";
}

std::string BcdText(int64_t scaledValue) {
    // The magnitude as unsigned, so the smallest int64 has one too.
    const uint64_t magnitude = scaledValue < 0 ? 0 - static_cast<uint64_t>(scaledValue) : scaledValue;
    std::string text = scaledValue < 0 ? "-" : "";
    text += std::to_string(magnitude / 10000);
    uint64_t places = magnitude % 10000;
    if (places != 0) {
        int digits = 4;
        for (; places % 10 == 0; places /= 10) {
            --digits;
        }
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%0*llu", digits, static_cast<unsigned long long>(places));
        text += fraction;
    }
    return text;
}

std::string DateText(int32_t dayNumber) {
    const TCalendarDate date = DateFromDayNumber(dayNumber);
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::string TimeText(int32_t milliseconds) {
    const int seconds = milliseconds / 1000;
    char text[24];
    if (milliseconds % 1000 == 0) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60, milliseconds % 1000);
    }
    return text;
}

std::string DateTimeText(TDateTime value) {
    const TDayAndTime parts = SplitDateTime(value);
    std::string text = DateText(parts.DayNumber);
    if (parts.Milliseconds != 0) {
        text += ' ';
        text += TimeText(parts.Milliseconds);
    }
    return text;
}

int64_t TextToInteger(std::string_view text) {
    return ParsedOrRaise(ParseIntegerText(text), kSInvalidInteger, text);
}

double TextToFloat(std::string_view text) {
    return ParsedOrRaise(ParseFloatText(text), kSInvalidFloat, text);
}

bool TextToBoolean(std::string_view text) {
    return ParsedOrRaise(ParseBooleanText(text), kSInvalidBoolean, text);
}

int64_t TextToBcd(std::string_view text) {
    return ParsedOrRaise(ParseCurrencyText(text), kSInvalidFloat, text);
}

int32_t TextToDate(std::string_view text) {
    return ParsedOrRaise(ParseDateText(text), kSInvalidDate, text);
}

int32_t TextToTime(std::string_view text) {
    return ParsedOrRaise(ParseTimeText(text), kSInvalidTime, text);
}

TDateTime TextToDateTime(std::string_view text) {
    // A time alone belongs to day 0 of TDateTime, not to the day number 0 the engine's text gives it.
    if (const auto time = ParseTimeText(text)) {
        return static_cast<double>(*time) / kMillisecondsPerDay;
    }
    const double stored = ParsedOrRaise(ParseDateTimeText(text), kSInvalidDateTime, text);
    const double day = std::floor(stored / kMillisecondsPerDay);
    return DateTimeFromParts(static_cast<int32_t>(day),
                             static_cast<int32_t>(stored - day * kMillisecondsPerDay));
}

TDateTime DateTimeFromParts(int32_t dayNumber, int32_t milliseconds) {
    return (dayNumber - kDayNumberOf18991230) + static_cast<double>(milliseconds) / kMillisecondsPerDay;
}

TDayAndTime SplitDateTime(TDateTime value) {
    double day = std::floor(value);
    double milliseconds = std::round((value - day) * kMillisecondsPerDay);
    if (milliseconds >= kMillisecondsPerDay) {
        day += 1;
        milliseconds -= kMillisecondsPerDay;
    }
    const double dayNumber = day + kDayNumberOf18991230;
    if (!std::isfinite(dayNumber) || dayNumber < std::numeric_limits<int32_t>::min() ||
        dayNumber > std::numeric_limits<int32_t>::max()) {
        RaiseOverflow();
    }
    return {static_cast<int32_t>(dayNumber), static_cast<int32_t>(milliseconds)};
}

int64_t RoundToInt64(double value) {
    const double rounded = std::round(value);
    // 2^63: the first magnitude no int64 holds.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(rounded) || rounded >= kLimit || rounded < -kLimit) {
        RaiseOverflow();
    }
    return static_cast<int64_t>(rounded);
}

int32_t CheckedInt32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
        RaiseOverflow();
    }
    return static_cast<int32_t>(value);
}

}  // namespace kartei
