#include "engine/format/ValueText.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

#include "engine/format/DateTimeValues.h"
#include "engine/format/FieldTypes.h"

namespace kartei {
namespace {

TEST(ValueTextTest, DayNumbersCountFromTheFirstOfJanuaryOfYearOne) {
    EXPECT_EQ(DayNumberFromDate(1, 1, 1), 1);
    EXPECT_EQ(DayNumberFromDate(1899, 12, 30), 693594);
    EXPECT_EQ(DayNumberFromDate(2024, 3, 1), 693594 + 45352);  // serial 45352 from 1899-12-30
    const TCalendarDate leap = DateFromDayNumber(DayNumberFromDate(2000, 2, 29));
    EXPECT_EQ(leap.Year, 2000);
    EXPECT_EQ(leap.Month, 2);
    EXPECT_EQ(leap.Day, 29);
    EXPECT_EQ(DateFromDayNumber(1).Year, 1);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 4, 31));
}

TEST(ValueTextTest, CurrentLocalDateTimeCountsDaysFrom18991230) {
    const double now = CurrentLocalDateTime();
    const double utcDays = static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0;  // 1970-01-01
    EXPECT_NEAR(now, utcDays, 1.0);  // time zones stay within a day
}

TEST(ValueTextTest, DatesTimesAndDateTimesParseFromTheirTextForms) {
    EXPECT_EQ(ParseDateText(" 1899-12-30 "), 693594);
    EXPECT_EQ(ParseDateText("2023-02-29"), std::nullopt);
    EXPECT_EQ(ParseDateText("0000-01-01"), std::nullopt);
    EXPECT_EQ(ParseDateText("30.12.1899"), std::nullopt);
    EXPECT_EQ(ParseTimeText("12:00:00"), 43200000);
    EXPECT_EQ(ParseTimeText("23:59:59.999"), 86399999);
    EXPECT_EQ(ParseTimeText("00:00:01.5"), 1500);
    EXPECT_EQ(ParseTimeText("24:00:00"), std::nullopt);
    EXPECT_EQ(ParseTimeText("12:00"), std::nullopt);
    EXPECT_EQ(ParseDateTimeText("1899-12-30 12:00:00"), 693594.0 * 86400000 + 43200000);
    EXPECT_EQ(ParseDateTimeText("1899-12-30T12:00:00"), 693594.0 * 86400000 + 43200000);
    EXPECT_EQ(ParseDateTimeText("00:00:02"), 2000.0);
    EXPECT_EQ(ParseDateTimeText("1899-12-30"), 693594.0 * 86400000);
}

TEST(ValueTextTest, NumbersAndBooleansParseWithSignsAndLimits) {
    EXPECT_EQ(ParseIntegerText("+42"), 42);
    EXPECT_EQ(ParseIntegerText("-42"), -42);
    EXPECT_EQ(ParseIntegerText("4 2"), std::nullopt);
    EXPECT_EQ(ParseIntegerText("+-1"), std::nullopt);
    EXPECT_EQ(ParseFloatText("-1.5e3"), -1500.0);
    EXPECT_EQ(ParseFloatText("nan"), std::nullopt);
    EXPECT_EQ(ParseFloatText("1e999"), std::nullopt);
    EXPECT_EQ(ParseBooleanText("TRUE"), true);
    EXPECT_EQ(ParseBooleanText("False"), false);
    EXPECT_EQ(ParseBooleanText("ja"), std::nullopt);

    EXPECT_EQ(ParseCurrencyText("12.3456"), 123456);
    EXPECT_EQ(ParseCurrencyText(".5"), 5000);
    EXPECT_EQ(ParseCurrencyText("-0.00005"), -1);  // fifth place rounds away from zero
    EXPECT_EQ(ParseCurrencyText("1.23444"), 12344);
    EXPECT_EQ(ParseCurrencyText("922337203685477.5807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ParseCurrencyText("-922337203685477.5808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ParseCurrencyText("922337203685477.5808"), std::nullopt);
    EXPECT_EQ(ParseCurrencyText("1e2"), std::nullopt);
    EXPECT_EQ(ParseCurrencyText("-"), std::nullopt);
    EXPECT_EQ(ParseCurrencyText("1.2.3"), std::nullopt);
}

TEST(ValueTextTest, ValidityOfMinimumMaximumAndDefaultTextsDependsOnTheType) {
    struct TCase {
        uint8_t Type;
        const char* Text;
        bool Valid;
    };
    const TCase cases[] = {
        {FieldType::Date, "2024-02-29", true},
        {FieldType::Date, "DATE", true},
        {FieldType::Date, "date", true},
        {FieldType::Date, "NOW", false},
        {FieldType::Date, "", true},
        {FieldType::Time, "TIME", true},
        {FieldType::Time, "DATE", false},
        {FieldType::Time, "08:15:00", true},
        {FieldType::DateTime, "NOW", true},
        {FieldType::DateTime, "DATE", true},
        {FieldType::DateTime, "TIME", true},
        {FieldType::DateTime, "2024-01-01 08:15:00", true},
        {FieldType::DateTime, "morgen", false},
        {FieldType::Boolean, "true", true},
        {FieldType::Boolean, "1", false},
        {FieldType::SmallInt, "-32768", true},
        {FieldType::SmallInt, "32768", false},
        {FieldType::Integer, "2147483647", true},
        {FieldType::Integer, "2147483648", false},
        {FieldType::Word, "65535", true},
        {FieldType::Word, "-1", false},
        {FieldType::Float, "0.25", true},
        {FieldType::Float, "x", false},
        {FieldType::Bcd, "12.5", true},
        {FieldType::Bcd, "1e2", false},
        {FieldType::String, "beliebig", true},
        {FieldType::Bytes, "NOW", true},
        {FieldType::VarBytes, "-", true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsValidValueText(c.Type, c.Text), c.Valid) << int(c.Type) << " '" << c.Text << "'";
    }
}

}  // namespace
}  // namespace kartei
