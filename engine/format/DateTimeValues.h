#pragma once

#include <cstdint>

namespace kartei {

// Dates are stored as day numbers: 1 = 0001-01-01 in the proleptic Gregorian calendar.
constexpr int32_t kDayNumberOf18991230 = 693594;
constexpr int32_t kMillisecondsPerDay = 86400000;

struct TCalendarDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// Any year, month 1..12 and day 1..31 give a day number; the caller checks validity first when it must.
int32_t DayNumberFromDate(int year, int month, int day);
TCalendarDate DateFromDayNumber(int32_t dayNumber);
bool IsValidDate(int year, int month, int day);

// The stored form of a DateTime value.
inline double DateTimeValue(int32_t dayNumber, int32_t millisecondsOfDay) {
    return static_cast<double>(dayNumber) * kMillisecondsPerDay + millisecondsOfDay;
}

// The local date and time now as a day count with the time as fraction, day 0 = 1899-12-30.
double CurrentLocalDateTime();

}  // namespace kartei
