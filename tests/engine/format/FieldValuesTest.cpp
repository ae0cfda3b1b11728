#include "kartei/Record.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "base/Bcd.h"
#include "base/DateTime.h"
#include "engine/format/RecordLayout.h"

namespace kartei {
namespace {

// One field of the type at offset 9 of a record that ends right after it.
struct TOneField {
    TFieldDescriptor Field;
    std::vector<uint8_t> Record;

    explicit TOneField(uint8_t type, uint8_t size = 0, uint8_t caseRule = CharCase::AsEntered) {
        Field.Name = "f";
        Field.FieldType = type;
        Field.Size = size;
        Field.CharCase = caseRule;
        std::vector<TFieldDescriptor> fields = {Field};
        LayOutFields(fields, "T");
        Field = fields[0];
        Record.assign(ComputeRecordSize(fields), 0);
    }
    // Null flag and value bytes.
    std::vector<uint8_t> Stored() const { return {Record.begin() + 9, Record.end()}; }
};

TEST(FieldValuesTest, NumericTypesUseTheirLittleEndianEncodings) {
    TOneField date(FieldType::Date);
    SetDateField(date.Record, date.Field, DayNumberFromDate(1899, 12, 30));
    EXPECT_EQ(date.Stored(), (std::vector<uint8_t>{1, 0x5A, 0x95, 0x0A, 0x00}));  // 693594
    EXPECT_EQ(GetDateField(date.Record, date.Field), TDayNumber{693594});

    TOneField small(FieldType::SmallInt);
    SetSmallIntField(small.Record, small.Field, -32768);
    EXPECT_EQ(small.Stored(), (std::vector<uint8_t>{1, 0x00, 0x80}));
    EXPECT_EQ(GetSmallIntField(small.Record, small.Field), -32768);

    TOneField word(FieldType::Word);
    SetWordField(word.Record, word.Field, 65535);
    EXPECT_EQ(GetWordField(word.Record, word.Field), 65535);

    TOneField integer(FieldType::Integer);
    SetIntegerField(integer.Record, integer.Field, -2);
    EXPECT_EQ(integer.Stored(), (std::vector<uint8_t>{1, 0xFE, 0xFF, 0xFF, 0xFF}));

    TOneField real(FieldType::Float);
    SetFloatField(real.Record, real.Field, -2.0);
    EXPECT_EQ(real.Stored(), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(GetFloatField(real.Record, real.Field), -2.0);

    TOneField time(FieldType::Time);
    SetTimeField(time.Record, time.Field, TTimeOfDay{86399999});
    EXPECT_EQ(time.Stored(), (std::vector<uint8_t>{1, 0xFF, 0x5B, 0x26, 0x05}));

    TOneField stamp(FieldType::DateTime);
    SetDateTimeField(stamp.Record, stamp.Field, TimeStampOf({TDayNumber{693594}, TTimeOfDay{43200000}}));
    EXPECT_EQ(GetDateTimeField(stamp.Record, stamp.Field), TTimeStamp{693594.0 * 86400000 + 43200000});

    TOneField blob(FieldType::Blob);
    SetBlobField(blob.Record, blob.Field, {1536, 7});
    EXPECT_EQ(blob.Stored(), (std::vector<uint8_t>{1, 0x00, 0x06, 0, 0, 7, 0, 0, 0}));
    EXPECT_EQ(GetBlobField(blob.Record, blob.Field).BlobId, 7);
}

TEST(FieldValuesTest, BooleansStoreAnyNonZeroValueAsOne) {
    TOneField flag(FieldType::Boolean);
    SetBooleanField(flag.Record, flag.Field, 5);
    EXPECT_EQ(flag.Stored(), (std::vector<uint8_t>{1, 1, 0}));
    EXPECT_TRUE(GetBooleanField(flag.Record, flag.Field));
    SetBooleanField(flag.Record, flag.Field, 0);
    EXPECT_EQ(flag.Stored(), (std::vector<uint8_t>{1, 0, 0}));  // false is a value, not null
}

TEST(FieldValuesTest, BcdHoldsTheValueTimes10000RoundedToTheDecimals) {
    TOneField amount(FieldType::Bcd);
    amount.Field.Decimals = 2;
    SetBcdField(amount.Record, amount.Field, 123456);  // 12.3456 -> 12.35
    EXPECT_EQ(amount.Stored(), (std::vector<uint8_t>{1, 0x6C, 0xE2, 0x01, 0, 0, 0, 0, 0}));  // 123500
    EXPECT_EQ(BcdToDouble(GetBcdField(amount.Record, amount.Field)), 12.35);

    EXPECT_EQ(RoundBcd(-123450, 2), -123500);
    EXPECT_EQ(RoundBcd(-123449, 2), -123400);
    EXPECT_EQ(RoundBcd(123456, 4), 123456);
    EXPECT_EQ(RoundBcd(std::numeric_limits<int64_t>::max(), 0), 9223372036854770000);
    EXPECT_EQ(BcdFromDouble(2.125, 2), 21300);
    EXPECT_EQ(BcdFromDouble(-2.125, 2), -21300);
    EXPECT_EQ(BcdFromDouble(2.5, 0), 30000);
    EXPECT_EQ(BcdFromDouble(1e15, 4), std::nullopt);
    EXPECT_EQ(BcdFromDouble(std::numeric_limits<double>::infinity(), 2), std::nullopt);
}

TEST(FieldValuesTest, RawTypesCopyAtMostTheirWidth) {
    TOneField bytes(FieldType::Bytes, 4);
    const std::vector<uint8_t> five = {1, 2, 3, 4, 5};
    SetRawField(bytes.Record, bytes.Field, five);
    EXPECT_EQ(bytes.Stored(), (std::vector<uint8_t>{1, 1, 2, 3, 4}));
    SetRawField(bytes.Record, bytes.Field, std::span(five).first(1));
    EXPECT_EQ(bytes.Stored(), (std::vector<uint8_t>{1, 1, 0, 0, 0}));

    TOneField ten(FieldType::Raw10);
    SetRawField(ten.Record, ten.Field, five);
    EXPECT_EQ(FieldValueBytes(ten.Record, ten.Field).size(), 10u);
    TOneField four(FieldType::Raw4);
    EXPECT_EQ(FieldValueBytes(four.Record, four.Field).size(), 4u);
}

TEST(FieldValuesTest, NullClearsFlagAndValue) {
    TOneField integer(FieldType::Integer);
    EXPECT_TRUE(IsFieldNull(integer.Record, integer.Field));
    SetIntegerField(integer.Record, integer.Field, 77);
    EXPECT_FALSE(IsFieldNull(integer.Record, integer.Field));
    SetFieldNull(integer.Record, integer.Field);
    EXPECT_EQ(integer.Stored(), (std::vector<uint8_t>(5, 0)));
}

TEST(FieldValuesTest, AutoIncrementLivesInTheRecordHeaderAndNonStoredFieldsNowhere) {
    std::vector<TFieldDescriptor> fields(2);
    fields[0].Name = "id", fields[0].FieldType = FieldType::Integer, fields[0].SubType = 29;
    fields[1].Name = "calc", fields[1].FieldType = FieldType::Integer, fields[1].NonStored = 1;
    LayOutFields(fields, "T");
    std::vector<uint8_t> record(ComputeRecordSize(fields), 0);
    ASSERT_EQ(record.size(), 9u);
    SetIntegerField(record, fields[0], 12);
    EXPECT_EQ(RecordAutoIncValue(record), 12);
    EXPECT_FALSE(IsFieldNull(record, fields[0]));
    SetFieldNull(record, fields[0]);  // never null
    EXPECT_EQ(GetIntegerField(record, fields[0]), 12);

    SetIntegerField(record, fields[1], 99);
    EXPECT_EQ(record, (std::vector<uint8_t>{0, 0, 0, 0, 0, 12, 0, 0, 0}));
    EXPECT_TRUE(IsFieldNull(record, fields[1]));
    EXPECT_EQ(GetIntegerField(record, fields[1]), 0);
}

TEST(FieldValuesTest, StringsDropTrailingBlanksAndEmptyMeansNull) {
    TOneField wide(FieldType::String, 250);
    EXPECT_EQ(wide.Record.size(), 9u + 252);
    SetStringField(wide.Record, wide.Field, "Essen   ", 0, 0);
    std::vector<uint8_t> expected(252, 0);
    expected[0] = 1;
    std::copy_n("Essen", 5, expected.begin() + 1);
    EXPECT_EQ(wide.Stored(), expected);
    EXPECT_EQ(GetStringField(wide.Record, wide.Field), "Essen");

    SetStringField(wide.Record, wide.Field, "   ", 0, 0);
    EXPECT_EQ(wide.Stored(), std::vector<uint8_t>(252, 0));
    EXPECT_TRUE(IsFieldNull(wide.Record, wide.Field));
    SetStringField(wide.Record, wide.Field, "", 0, 0);
    EXPECT_TRUE(IsFieldNull(wide.Record, wide.Field));
    // Text beyond the declared size + 1 characters is not looked at.
    SetStringField(wide.Record, wide.Field, std::string(300, 'x'), 0, 0);
    EXPECT_EQ(GetStringField(wide.Record, wide.Field), std::string(250, 'x'));
}

TEST(FieldValuesTest, StringsAreCutToTheDeclaredSizeAfterBlanksAreRemoved) {
    TOneField three(FieldType::String, 3);
    SetStringField(three.Record, three.Field, "ab cd", 0, 0);
    EXPECT_EQ(three.Stored(), (std::vector<uint8_t>{1, 'a', 'b', ' ', 0}));
    SetStringField(three.Record, three.Field, "abc  x", 0, 0);  // "abc " -> "abc"
    EXPECT_EQ(three.Stored(), (std::vector<uint8_t>{1, 'a', 'b', 'c', 0}));

    TOneField upper(FieldType::String, 3, CharCase::Upper);
    SetStringField(upper.Record, upper.Field, "k\xF6ln", 0x0407, 0);
    EXPECT_EQ(upper.Stored(), (std::vector<uint8_t>{1, 'K', 0xD6, 'L', 0}));
    TOneField lower(FieldType::String, 3, CharCase::Lower);
    SetStringField(lower.Record, lower.Field, "AB CD", 0, 0);
    EXPECT_EQ(lower.Stored(), (std::vector<uint8_t>{1, 'a', 'b', ' ', 0}));
}

}  // namespace
}  // namespace kartei
