#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/DateTime.h"
#include "engine/format/RecordLayout.h"
#include "kartei/Field.h"
#include "kartei/Record.h"
#include "tools/FieldParse.h"
#include "tools/FieldText.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

TFieldDescriptor Field(uint8_t type, uint8_t size = 0, uint8_t subtype = 0, uint8_t decimals = 0) {
    TFieldDescriptor field = TFieldDescriptor::Define("f", type, size, subtype);
    field.Decimals = decimals;
    return field;
}

// One field laid out alone in a record.
class FieldTextTest : public ::testing::Test {
protected:
    void Use(TFieldDescriptor field) {
        fields_ = {std::move(field)};
        LayOutFields(fields_, "t");
        record_.assign(ComputeRecordSize(fields_), 0);
    }
    const TFieldDescriptor& F() const { return fields_[0]; }
    std::string Text() const { return FieldText(record_, F()); }
    // Stores the text and reads it back as the tool writes it.
    std::string Through(const std::string& text) {
        StoreFieldText(record_, F(), text, 0, 0);
        return Text();
    }
    std::string Refusal(const std::string& text) {
        try {
            StoreFieldText(record_, F(), text, 0, 0);
        } catch (const EToolError& error) {
            EXPECT_EQ(error.Status(), ExitStatus::BadInput);
            return error.what();
        }
        return "accepted";
    }

    std::vector<TFieldDescriptor> fields_;
    std::vector<uint8_t> record_;
};

TEST_F(FieldTextTest, NullIsEmptyForEveryType) {
    for (const uint8_t type : {FieldType::String, FieldType::Date, FieldType::Integer, FieldType::Float,
                               FieldType::Boolean, FieldType::Time}) {
        Use(Field(type, type == FieldType::String ? 10 : 0));
        EXPECT_EQ(Text(), "");
        SetSmallIntField(record_, F(), 0);  // a value of another type must not matter once null again
        SetFieldNull(record_, F());
        EXPECT_EQ(Text(), "");
    }
}

TEST_F(FieldTextTest, StringsTravelBetweenUtf8AndCp1252) {
    Use(Field(FieldType::String, 10));
    SetStringField(record_, F(), "M\xFCnster \x80", 0, 0);  // cp1252: ü and the euro sign
    EXPECT_EQ(Text(), "M\xC3\xBCnster \xE2\x82\xAC");
    EXPECT_EQ(GetStringField(record_, F()), "M\xFCnster \x80");
    EXPECT_EQ(Through("Stra\xC3\x9F"
                      "e"),
              "Stra\xC3\x9F"
              "e");
    EXPECT_EQ(GetStringField(record_, F()),
              "Stra\xDF"
              "e");
}

TEST_F(FieldTextTest, StringsThatWouldLoseCharactersAreRefused) {
    Use(Field(FieldType::String, 5));
    EXPECT_EQ(Through("abcde   "), "abcde");  // trailing blanks are never stored
    EXPECT_EQ(Refusal("abcdef"), "'abcdef' is longer than 5 characters");
    EXPECT_EQ(Refusal("\xE2\x82\xAC\xE2\x98\x83"),
              "'\xE2\x82\xAC\xE2\x98\x83' is not UTF-8 text that Windows-1252 can hold");
    EXPECT_EQ(Refusal("a\xFF"
                      "b"),
              "'a\xFF"
              "b' is not UTF-8 text that Windows-1252 can hold");
}

TEST_F(FieldTextTest, IntegersInDecimalWithinTheirRange) {
    Use(Field(FieldType::SmallInt));
    EXPECT_EQ(Through("-32768"), "-32768");
    EXPECT_EQ(Refusal("32768"), "32768 is outside -32768..32767");
    EXPECT_EQ(Refusal("12a"), "'12a' is not a whole number");
    Use(Field(FieldType::Word));
    EXPECT_EQ(Through("65535"), "65535");
    EXPECT_EQ(Refusal("-1"), "-1 is outside 0..65535");
    Use(Field(FieldType::Integer));
    EXPECT_EQ(Through("-2147483648"), "-2147483648");
    EXPECT_EQ(Refusal("2147483648"), "2147483648 is outside -2147483648..2147483647");
}

TEST_F(FieldTextTest, AutoIncrementValuesAreTheRecordsOwn) {
    Use(Field(FieldType::Integer, 0, FieldSubtype::AutoIncrement));
    EXPECT_EQ(Through("42"), "42");
    EXPECT_EQ(RecordAutoIncValue(record_), 42);
    EXPECT_EQ(Refusal("0"), "0 is outside 1..2147483647");
}

TEST_F(FieldTextTest, BooleansAreTrueOrFalse) {
    Use(Field(FieldType::Boolean));
    EXPECT_EQ(Through("true"), "true");
    EXPECT_EQ(Through("FALSE"), "false");
    EXPECT_EQ(Refusal("yes"), "'yes' is not true or false");
}

TEST_F(FieldTextTest, FloatsInTheirShortestRoundTripForm) {
    Use(Field(FieldType::Float));
    SetFloatField(record_, F(), 0.1);
    EXPECT_EQ(Text(), "0.1");
    SetFloatField(record_, F(), 1.0 / 3.0);
    EXPECT_EQ(std::stod(Text()), 1.0 / 3.0);
    EXPECT_EQ(Text(), "0.3333333333333333");
    SetFloatField(record_, F(), -2.5e300);
    EXPECT_EQ(Text(), "-2.5e+300");
    EXPECT_EQ(Through("12.75"), "12.75");
    EXPECT_EQ(Refusal("1,5"), "'1,5' is not a number");
}

TEST_F(FieldTextTest, BcdShowsTheFieldsDecimalPlaces) {
    Use(Field(FieldType::Bcd, 0, 0, 2));
    SetBcdField(record_, F(), -12345000);  // -1234.5
    EXPECT_EQ(Text(), "-1234.50");
    SetBcdField(record_, F(), 500);  // 0.05
    EXPECT_EQ(Text(), "0.05");
    SetBcdField(record_, F(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(Text(), "-922337203685477.58");
    EXPECT_EQ(Through("7.1"), "7.10");
    EXPECT_EQ(Through("7.1200"), "7.12");
    EXPECT_EQ(Refusal("7.125"), "'7.125' has more than 2 decimal places");
    Use(Field(FieldType::Bcd, 0, 0, 0));
    SetBcdField(record_, F(), 30000);
    EXPECT_EQ(Text(), "3");
    Use(Field(FieldType::Bcd, 0, 0, 6));
    SetBcdField(record_, F(), 12345);
    EXPECT_EQ(Text(), "1.234500");
}

TEST_F(FieldTextTest, DatesTimesAndDateTimes) {
    Use(Field(FieldType::Date));
    SetDateField(record_, F(), TDayNumber{kDayNumberOf18991230});
    EXPECT_EQ(Text(), "1899-12-30");
    EXPECT_EQ(Through("0001-01-01"), "0001-01-01");
    EXPECT_EQ(GetDateField(record_, F()), TDayNumber{1});
    EXPECT_EQ(Refusal("2023-02-30"), "'2023-02-30' is not a date (YYYY-MM-DD)");

    Use(Field(FieldType::Time));
    SetTimeField(record_, F(), TTimeOfDay{13 * 3600000 + 5 * 60000 + 7 * 1000 + 9});
    EXPECT_EQ(Text(), "13:05:07.009");
    EXPECT_EQ(Through("23:59:59.999"), "23:59:59.999");

    Use(Field(FieldType::DateTime));
    SetDateTimeField(record_, F(), TimeStampOf({DayNumberFromDate(2024, 2, 29), TTimeOfDay{86399999}}));
    EXPECT_EQ(Text(), "2024-02-29 23:59:59.999");
    EXPECT_EQ(Through("1999-12-31 00:00:00.5"), "1999-12-31 00:00:00.500");
}

TEST_F(FieldTextTest, BytesInHexadecimal) {
    Use(Field(FieldType::Bytes, 4));
    EXPECT_EQ(Through("0aFF"), "0aff0000");  // the rest of the field is zero
    EXPECT_EQ(Refusal("0a0b0c0d0e"), "'0a0b0c0d0e' is longer than 4 bytes");
    EXPECT_EQ(Refusal("abc"), "'abc' is not hexadecimal (odd number of digits)");
    EXPECT_EQ(Refusal("zz"), "'zz' is not hexadecimal");
    Use(Field(FieldType::VarBytes, 2));
    EXPECT_EQ(Through("1234"), "1234");
}

TEST(BlobText, MemosAreTextOtherBlobsHex) {
    const TFieldDescriptor memo = Field(FieldType::Blob, 0, FieldSubtype::Memo);
    const TFieldDescriptor blob = Field(FieldType::Blob);
    const std::vector<uint8_t> contents{'M', 0xFC, '\n'};
    EXPECT_EQ(BlobText(contents, memo), "M\xC3\xBC\n");
    EXPECT_EQ(BlobText(contents, blob), "4dfc0a");
    EXPECT_EQ(BlobContentsFromText(memo, "M\xC3\xBC\n"), contents);
    EXPECT_EQ(BlobContentsFromText(blob, "4dfc0a"), contents);
}

}  // namespace
}  // namespace kartei::tools
