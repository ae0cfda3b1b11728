#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kartei {

// A point in time as the framework hands it out: days since 1899-12-30, the time of day as the fraction.
using TDateTime = double;

// The framework's texts of values are the engine's value texts: ISO dates (2024-05-31), 24-hour times
// (13:05:00, with .mmm when there are milliseconds), "." as decimal point, True/False. Parsing ignores
// surrounding blanks and raises EConvertError for a text that holds no such value.

std::string IntegerText(int64_t value);
// The shortest text that reads back as the same double; plain decimals from 1e-5 up to 1e15, with an
// exponent beyond.
std::string FloatText(double value);
std::string BooleanText(bool value);
std::string BcdText(int64_t scaledValue);  // a value times 10000, without trailing zero places
std::string DateText(int32_t dayNumber);   // day number 1 = 0001-01-01
std::string TimeText(int32_t milliseconds);
std::string DateTimeText(TDateTime value);  // the date, then the time unless it is midnight

int64_t TextToInteger(std::string_view text);
double TextToFloat(std::string_view text);
bool TextToBoolean(std::string_view text);
int64_t TextToBcd(std::string_view text);  // the value times 10000, places beyond the fourth rounded
int32_t TextToDate(std::string_view text);
int32_t TextToTime(std::string_view text);
TDateTime TextToDateTime(std::string_view text);  // a date, a time, or both

// A day number and the milliseconds of that day, as dates and times are stored.
struct TDayAndTime {
    int32_t DayNumber = 0;
    int32_t Milliseconds = 0;
};
TDateTime DateTimeFromParts(int32_t dayNumber, int32_t milliseconds);
// Rounded to the millisecond; raises EConvertError when the day lies beyond the day-number range.
TDayAndTime SplitDateTime(TDateTime value);

// Number conversions that raise EConvertError instead of overflowing. Rounding takes halves away from
// zero.
int64_t RoundToInt64(double value);
int32_t CheckedInt32(int64_t value);

}  // namespace kartei
