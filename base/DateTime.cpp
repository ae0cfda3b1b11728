#include "base/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace kartei {
namespace {

// Days from 0001-01-01 (day number 1) to 1970-01-01, the epoch of the civil-day arithmetic below.
constexpr int32_t kDayNumberOf19700101 = 719163;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

// Civil-day arithmetic on eras of 400 years (H. Hinnant's days_from_civil / civil_from_days).
TDayNumber DayNumberFromDate(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return {era * 146097 + dayOfEra - 719468 + kDayNumberOf19700101};
}

TCalendarDate DateFromDayNumber(TDayNumber day) {
    const int64_t z = int64_t{day.Value} - kDayNumberOf19700101 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    TCalendarDate date;
    date.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.Year = static_cast<int>(yearOfEra + era * 400 + (date.Month <= 2 ? 1 : 0));
    return date;
}

bool IsValidDate(int year, int month, int day) {
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) {
        return false;
    }
    const int days = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    return day <= days;
}

TDayAndTime SplitTimeStamp(TTimeStamp stamp) {
    const double day = std::floor(stamp.Milliseconds / kMillisecondsPerDay);
    auto milliseconds = std::llround(stamp.Milliseconds - day * kMillisecondsPerDay);
    auto dayNumber = static_cast<int32_t>(day);
    if (milliseconds >= kMillisecondsPerDay) {
        ++dayNumber;
        milliseconds -= kMillisecondsPerDay;
    }
    return {TDayNumber{dayNumber}, TTimeOfDay{static_cast<int32_t>(milliseconds)}};
}

TDateTime CurrentLocalDateTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    const int32_t day = DayNumberFromDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).Value;
    const int64_t msOfDay = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + milliseconds;
    return (day - kDayNumberOf18991230) + static_cast<double>(msOfDay) / kMillisecondsPerDay;
}

}  // namespace kartei
