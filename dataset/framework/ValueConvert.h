#pragma once

#include <cstdint>
#include <string_view>

#include "base/DateTime.h"
#include "base/ValueText.h"

namespace kartei {

// The framework's texts of values are those of base/ValueText.h. Reading them here raises EConvertError
// for a text that holds no such value.

int64_t TextToInteger(std::string_view text);
double TextToFloat(std::string_view text);
bool TextToBoolean(std::string_view text);
int64_t TextToBcd(std::string_view text);  // the value times 10000, places beyond the fourth rounded
TDayNumber TextToDate(std::string_view text);
TTimeOfDay TextToTime(std::string_view text);
TDateTime TextToDateTime(std::string_view text);  // a date, a time, or both

TDateTime DateTimeFromParts(TDayAndTime parts);
// Rounded to the millisecond; raises EConvertError when the day lies beyond the day-number range.
TDayAndTime SplitDateTime(TDateTime value);

// Number conversions that raise EConvertError instead of overflowing. Rounding takes halves away from
// zero.
int64_t RoundToInt64(double value);
int32_t CheckedInt32(int64_t value);

}  // namespace kartei
