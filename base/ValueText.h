#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/DateTime.h"

namespace kartei {

// Values as text, read and written in one place:
//   dates       YYYY-MM-DD (year 0001..9999)
//   times       HH:MM:SS or HH:MM:SS.mmm, 24-hour clock (1 to 3 digits of milliseconds when read)
//   date-times  a date, a time, or a date and a time separated by one blank or 'T' (written with a blank)
//   booleans    true or false, in any case (written True and False)
//   integers    optional sign and decimal digits
//   floats      decimal number with '.' and an optional exponent (-1.5e3)
//   BCD         decimal number with '.' and no exponent; places beyond the fourth are rounded
// Reading ignores surrounding blanks and gives nothing for a text that holds no such value.

std::optional<TDayNumber> ParseDateText(std::string_view text);
std::optional<TTimeOfDay> ParseTimeText(std::string_view text);
// A time alone belongs to day number 0.
std::optional<TTimeStamp> ParseDateTimeText(std::string_view text);
std::optional<bool> ParseBooleanText(std::string_view text);
std::optional<int64_t> ParseIntegerText(std::string_view text);
std::optional<double> ParseFloatText(std::string_view text);      // finite values only
std::optional<int64_t> ParseCurrencyText(std::string_view text);  // value times 10000

// How much of a time is written.
enum class TTimeForm {
    // Milliseconds only when there are any; a date-time at midnight is its date alone.
    Shortest,
    // Always HH:MM:SS.mmm, and a date-time always with its time.
    Full,
};

// How a float is written: both give the shortest digits that read back as the same double.
enum class TFloatForm {
    // Plain decimals from 1e-5 up to 1e15 (3000000000, not 3e+09), an exponent beyond.
    Plain,
    // Whichever notation is shorter.
    Shortest,
};

std::string DateText(TDayNumber day);
std::string TimeText(TTimeOfDay time, TTimeForm form = TTimeForm::Shortest);
// Rounded to the millisecond.
std::string DateTimeText(TTimeStamp stamp, TTimeForm form = TTimeForm::Shortest);
std::string BooleanText(bool value);
std::string IntegerText(int64_t value);
std::string FloatText(double value, TFloatForm form = TFloatForm::Plain);
// A value times 10000: without trailing zero places, or with exactly `places` places.
std::string BcdText(int64_t scaledValue);
std::string BcdText(int64_t scaledValue, uint8_t places);

}  // namespace kartei
