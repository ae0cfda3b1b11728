#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kartei {

// Values written as text in a field's minimum, maximum and default texts. Surrounding blanks are
// ignored; keywords and boolean words compare without regard to case.
//   Date      YYYY-MM-DD (year 0001..9999)
//   Time      HH:MM:SS or HH:MM:SS.mmm, 24-hour clock (1 to 3 digits of milliseconds)
//   DateTime  a date, a time, or a date and a time separated by one blank or 'T'
//   Boolean   true or false
//   integers  optional sign and decimal digits
//   Float     decimal number with '.' and an optional exponent (-1.5e3)
//   BCD       decimal number with '.' and no exponent; places beyond the fourth are rounded
// Default texts may also hold the keywords DATE, TIME and NOW for the current moment.

enum class TValueKeyword { None, Date, Time, Now };

TValueKeyword ValueKeyword(std::string_view text);

std::optional<int32_t> ParseDateText(std::string_view text);     // day number
std::optional<int32_t> ParseTimeText(std::string_view text);     // milliseconds since midnight
std::optional<double> ParseDateTimeText(std::string_view text);  // stored DateTime value
std::optional<bool> ParseBooleanText(std::string_view text);
std::optional<int64_t> ParseIntegerText(std::string_view text);
std::optional<double> ParseFloatText(std::string_view text);      // finite values only
std::optional<int64_t> ParseCurrencyText(std::string_view text);  // value times 10000

// Whether a minimum, maximum or default text suits a field of the type. An empty text (no value) and
// any text of a string, byte or raw type is accepted.
bool IsValidValueText(uint8_t fieldType, std::string_view text);

}  // namespace kartei
