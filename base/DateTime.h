#pragma once

#include <compare>
#include <cstdint>

namespace kartei {

// Dates and times come in four units. The three the tables store each have a type of their own, so that
// one is never read as another:
//   TDayNumber  a date field: day 1 is 0001-01-01 in the proleptic Gregorian calendar
//   TTimeOfDay  a time field: milliseconds since midnight
//   TTimeStamp  a date-time field: day number x 86,400,000 + milliseconds of the day
// and the data-access framework's TDateTime counts days from 1899-12-30, the time of day as the fraction.

constexpr int32_t kDayNumberOf18991230 = 693594;
constexpr int32_t kMillisecondsPerDay = 86400000;

struct TDayNumber {
    int32_t Value = 0;
    friend auto operator<=>(TDayNumber, TDayNumber) = default;
};

struct TTimeOfDay {
    int32_t Milliseconds = 0;
    friend auto operator<=>(TTimeOfDay, TTimeOfDay) = default;
};

struct TTimeStamp {
    double Milliseconds = 0;
    friend auto operator<=>(TTimeStamp, TTimeStamp) = default;
};

using TDateTime = double;

// A date and the time of that day.
struct TDayAndTime {
    TDayNumber Day;
    TTimeOfDay Time;
};

inline TTimeStamp TimeStampOf(TDayAndTime parts) {
    return {static_cast<double>(parts.Day.Value) * kMillisecondsPerDay + parts.Time.Milliseconds};
}
// Rounded to the millisecond. The stamp must be finite, with a day that is a day number.
TDayAndTime SplitTimeStamp(TTimeStamp stamp);

struct TCalendarDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// Any year, month 1..12 and day 1..31 give a day number; the caller checks validity first when it must.
TDayNumber DayNumberFromDate(int year, int month, int day);
TCalendarDate DateFromDayNumber(TDayNumber day);
bool IsValidDate(int year, int month, int day);

// The local date and time now, as a TDateTime.
TDateTime CurrentLocalDateTime();

}  // namespace kartei
