#include "dataset/framework/ValueConvert.h"

#include <cmath>
#include <limits>

#include "dataset/framework/ConvertError.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"

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

TDayNumber TextToDate(std::string_view text) {
    return ParsedOrRaise(ParseDateText(text), kSInvalidDate, text);
}

TTimeOfDay TextToTime(std::string_view text) {
    return ParsedOrRaise(ParseTimeText(text), kSInvalidTime, text);
}

TDateTime TextToDateTime(std::string_view text) {
    // A time alone belongs to day 0 of TDateTime, not to the day number 0 of a date-time text.
    if (const auto time = ParseTimeText(text)) {
        return DateTimeFromParts({TDayNumber{kDayNumberOf18991230}, *time});
    }
    return DateTimeFromParts(SplitTimeStamp(ParsedOrRaise(ParseDateTimeText(text), kSInvalidDateTime, text)));
}

TDateTime DateTimeFromParts(TDayAndTime parts) {
    return (parts.Day.Value - kDayNumberOf18991230) +
           static_cast<double>(parts.Time.Milliseconds) / kMillisecondsPerDay;
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
    return {TDayNumber{static_cast<int32_t>(dayNumber)}, TTimeOfDay{static_cast<int32_t>(milliseconds)}};
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
