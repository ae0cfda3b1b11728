#include "base/ValueText.h"

#include <gtest/gtest.h>

#include <limits>

namespace kartei {
namespace {

TEST(ValueTextTest, DatesTimesAndDateTimesParseFromTheirTextForms) {
    EXPECT_EQ(ParseDateText(" 1899-12-30 "), TDayNumber{693594});
    EXPECT_EQ(ParseDateText("2023-02-29"), std::nullopt);
    EXPECT_EQ(ParseDateText("0000-01-01"), std::nullopt);
    EXPECT_EQ(ParseDateText("30.12.1899"), std::nullopt);
    EXPECT_EQ(ParseTimeText("12:00:00"), TTimeOfDay{43200000});
    EXPECT_EQ(ParseTimeText("23:59:59.999"), TTimeOfDay{86399999});
    EXPECT_EQ(ParseTimeText("00:00:01.5"), TTimeOfDay{1500});
    EXPECT_EQ(ParseTimeText("24:00:00"), std::nullopt);
    EXPECT_EQ(ParseTimeText("12:00"), std::nullopt);
    EXPECT_EQ(ParseDateTimeText("1899-12-30 12:00:00"), TTimeStamp{693594.0 * 86400000 + 43200000});
    EXPECT_EQ(ParseDateTimeText("1899-12-30T12:00:00"), TTimeStamp{693594.0 * 86400000 + 43200000});
    EXPECT_EQ(ParseDateTimeText("00:00:02"), TTimeStamp{2000.0});
    EXPECT_EQ(ParseDateTimeText("1899-12-30"), TTimeStamp{693594.0 * 86400000});
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

TEST(ValueTextTest, DatesAndTimesAreWrittenAsTheyAreRead) {
    EXPECT_EQ(DateText(TDayNumber{693594}), "1899-12-30");
    EXPECT_EQ(DateText(TDayNumber{1}), "0001-01-01");
    EXPECT_EQ(TimeText(TTimeOfDay{43200000}), "12:00:00");
    EXPECT_EQ(TimeText(TTimeOfDay{1500}), "00:00:01.500");
    EXPECT_EQ(TimeText(TTimeOfDay{43200000}, TTimeForm::Full), "12:00:00.000");
    // 2024-03-01 is day 693594 + 45352; 13:05 is 47,100,000 ms.
    const TTimeStamp afternoon{(693594.0 + 45352) * 86400000 + 47100000};
    EXPECT_EQ(DateTimeText(afternoon), "2024-03-01 13:05:00");
    EXPECT_EQ(DateTimeText(afternoon, TTimeForm::Full), "2024-03-01 13:05:00.000");
    const TTimeStamp midnight{(693594.0 + 45352) * 86400000};
    EXPECT_EQ(DateTimeText(midnight), "2024-03-01");
    EXPECT_EQ(DateTimeText(midnight, TTimeForm::Full), "2024-03-01 00:00:00.000");
    // Rounded to the millisecond: half a millisecond before midnight is midnight.
    EXPECT_EQ(DateTimeText(TTimeStamp{midnight.Milliseconds - 0.5}, TTimeForm::Full),
              "2024-03-01 00:00:00.000");
    EXPECT_EQ(DateTimeText(TTimeStamp{midnight.Milliseconds - 0.6}, TTimeForm::Full),
              "2024-02-29 23:59:59.999");
    EXPECT_EQ(DateTimeText(*ParseDateTimeText("2024-02-29T23:59:59.999"), TTimeForm::Full),
              "2024-02-29 23:59:59.999");
}

TEST(ValueTextTest, NumbersAndBooleansAreWrittenInTheirShortestForms) {
    EXPECT_EQ(BooleanText(true), "True");
    EXPECT_EQ(BooleanText(false), "False");
    EXPECT_EQ(IntegerText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(FloatText(3000000000.0), "3000000000");
    EXPECT_EQ(FloatText(3000000000.0, TFloatForm::Shortest), "3e+09");
    EXPECT_EQ(FloatText(0.1), "0.1");
    EXPECT_EQ(FloatText(1e15), "1e+15");
    EXPECT_EQ(FloatText(0.000001), "1e-06");
    EXPECT_EQ(FloatText(-1.5), "-1.5");
    EXPECT_EQ(BcdText(123456), "12.3456");
    EXPECT_EQ(BcdText(-5000), "-0.5");
    EXPECT_EQ(BcdText(120000), "12");
    EXPECT_EQ(BcdText(std::numeric_limits<int64_t>::min()), "-922337203685477.5808");
    EXPECT_EQ(BcdText(120000, 2), "12.00");
    EXPECT_EQ(BcdText(-123456, 2), "-12.34");
    EXPECT_EQ(BcdText(5, 0), "0");
}

}  // namespace
}  // namespace kartei
