#include "base/DateTime.h"

#include <gtest/gtest.h>

#include <ctime>

namespace kartei {
namespace {

TEST(DateTimeTest, DayNumbersCountFromTheFirstOfJanuaryOfYearOne) {
    EXPECT_EQ(DayNumberFromDate(1, 1, 1).Value, 1);
    EXPECT_EQ(DayNumberFromDate(1899, 12, 30).Value, 693594);
    EXPECT_EQ(DayNumberFromDate(2024, 3, 1).Value, 693594 + 45352);  // serial 45352 from 1899-12-30
    const TCalendarDate leap = DateFromDayNumber(DayNumberFromDate(2000, 2, 29));
    EXPECT_EQ(leap.Year, 2000);
    EXPECT_EQ(leap.Month, 2);
    EXPECT_EQ(leap.Day, 29);
    EXPECT_EQ(DateFromDayNumber(TDayNumber{1}).Year, 1);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 4, 31));
}

TEST(DateTimeTest, CurrentLocalDateTimeCountsDaysFrom18991230) {
    const double now = CurrentLocalDateTime();
    const double utcDays = static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0;  // 1970-01-01
    EXPECT_NEAR(now, utcDays, 1.0);  // time zones stay within a day
}

TEST(DateTimeTest, AStampSplitsIntoItsDayAndTheMillisecondsOfThatDay) {
    const TDayAndTime parts = SplitTimeStamp(TTimeStamp{693594.0 * 86400000 + 43200000});
    EXPECT_EQ(parts.Day, TDayNumber{693594});
    EXPECT_EQ(parts.Time, TTimeOfDay{43200000});
    const TDayAndTime carried = SplitTimeStamp(TTimeStamp{693595.0 * 86400000 - 0.2});
    EXPECT_EQ(carried.Day, TDayNumber{693595});
    EXPECT_EQ(carried.Time, TTimeOfDay{0});
    EXPECT_EQ(TimeStampOf(parts).Milliseconds, 693594.0 * 86400000 + 43200000);
}

}  // namespace
}  // namespace kartei
