#include <gtest/gtest.h>

#include "KeyTestSupport.h"

namespace kartei {
namespace {

using namespace test;

constexpr uint16_t kFirst = 9;  // record offset of the first stored field

TBytes SingleKey(uint8_t type, uint16_t width, const TRecordImage& record,
                 const TLayoutOptions& options = {}) {
    return KeyOf(Layout({Field(type, width, kFirst)}, options), record);
}

TEST(BuildKey, FourByteIntegersAreBigEndianWithTheSignBitInverted) {
    EXPECT_EQ(SingleKey(FieldType::Integer, 4, TRecordImage(14).Int(kFirst, 1, 4)),
              (TBytes{0x01, 0x80, 0x00, 0x00, 0x01}));
    EXPECT_EQ(SingleKey(FieldType::Integer, 4, TRecordImage(14).Int(kFirst, -1, 4)),
              (TBytes{0x01, 0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(SingleKey(FieldType::Date, 4, TRecordImage(14).Int(kFirst, 693594, 4)),
              (TBytes{0x01, 0x80, 0x0A, 0x95, 0x5A}));
    EXPECT_EQ(SingleKey(FieldType::Time, 4, TRecordImage(14).Int(kFirst, 0x7FFFFFFF, 4)),
              (TBytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildKey, TwoByteValues) {
    EXPECT_EQ(SingleKey(FieldType::SmallInt, 2, TRecordImage(12).Int(kFirst, -2, 2)),
              (TBytes{0x01, 0x7F, 0xFE}));
    EXPECT_EQ(SingleKey(FieldType::SmallInt, 2, TRecordImage(12).Int(kFirst, 1, 2)),
              (TBytes{0x01, 0x80, 0x01}));
    // Word and Boolean are unsigned: the top bit stays.
    EXPECT_EQ(SingleKey(FieldType::Word, 2, TRecordImage(12).Int(kFirst, 0x9234, 2)),
              (TBytes{0x01, 0x92, 0x34}));
    EXPECT_EQ(SingleKey(FieldType::Boolean, 2, TRecordImage(12).Int(kFirst, 1, 2)),
              (TBytes{0x01, 0x00, 0x01}));
}

TEST(BuildKey, DoublesSetTheSignBitOrInvertNegativeValuesWhole) {
    EXPECT_EQ(SingleKey(FieldType::Float, 8, TRecordImage(18).Double(kFirst, 0.0)),
              (TBytes{0x01, 0x80, 0, 0, 0, 0, 0, 0, 0}));
    // 1.0 = 3FF0 0000 0000 0000
    EXPECT_EQ(SingleKey(FieldType::Float, 8, TRecordImage(18).Double(kFirst, 1.0)),
              (TBytes{0x01, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}));
    // -1.0 = BFF0 0000 0000 0000, inverted
    EXPECT_EQ(SingleKey(FieldType::DateTime, 8, TRecordImage(18).Double(kFirst, -1.0)),
              (TBytes{0x01, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Negative zero is zero.
    EXPECT_EQ(SingleKey(FieldType::Float, 8, TRecordImage(18).Double(kFirst, -0.0)),
              (TBytes{0x01, 0x80, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BuildKey, BcdIsTheScaledIntegerWithTheSignBitInverted) {
    // 12.5 is stored as 125000 = 0x1E848.
    EXPECT_EQ(SingleKey(FieldType::Bcd, 8, TRecordImage(18).Int(kFirst, 125000, 8)),
              (TBytes{0x01, 0x80, 0, 0, 0, 0, 0x01, 0xE8, 0x48}));
    EXPECT_EQ(SingleKey(FieldType::Bcd, 8, TRecordImage(18).Int(kFirst, -1, 8)),
              (TBytes{0x01, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildKey, RawBytesAreCopiedUnchanged) {
    TRecordImage record(14);
    record.Text(kFirst, std::string_view("\x01\xFE\x00\x80", 4));
    EXPECT_EQ(SingleKey(FieldType::Bytes, 3, record), (TBytes{0x01, 0x01, 0xFE, 0x00}));
    EXPECT_EQ(SingleKey(FieldType::Raw4, 4, record), (TBytes{0x01, 0x01, 0xFE, 0x00, 0x80}));
}

TEST(BuildKey, NullFieldIsAZeroImage) {
    // Not the encoding of zero (80 00 00 00): the whole image is zero.
    EXPECT_EQ(SingleKey(FieldType::Integer, 4, TRecordImage(14)), (TBytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(SingleKey(FieldType::Float, 8, TRecordImage(18)), TBytes(9, 0));
}

TEST(BuildKey, StringIsCopiedWithItsTerminatorIntoAZeroArea) {
    const TKeyLayout layout = Layout({StringField(8, kFirst)});
    TRecordImage record(19);
    record.Text(kFirst, "Bern");
    EXPECT_EQ(KeyOf(layout, record), (TBytes{0x01, 'B', 'e', 'r', 'n', 0, 0, 0, 0, 0}));
    // A stored string without terminator still leaves the area's last byte zero.
    TRecordImage full(19);
    full.Text(kFirst, "ABCDEFGHI");
    EXPECT_EQ(KeyOf(layout, full), (TBytes{0x01, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0}));
}

TEST(BuildKey, CaseInsensitiveIndexUpperCasesInTheTableLocale) {
    TRecordImage record(19);
    record.Text(kFirst, "m\xFCnchen");
    const TBytes expected = {0x01, 'M', 0xDC, 'N', 'C', 'H', 'E', 'N', 0, 0};
    // Without a language the upper-casing is English (USA), which also maps ü to Ü.
    EXPECT_EQ(KeyOf(Layout({StringField(8, kFirst)}, {.CaseInsensitive = true}), record), expected);
    EXPECT_EQ(
        KeyOf(Layout({StringField(8, kFirst)}, {.CaseInsensitive = true, .LanguageId = 0x0407}), record),
        expected);
    EXPECT_EQ(KeyOf(Layout({StringField(8, kFirst)}), record)[1], 'm');
}

TEST(BuildKey, AutoIncrementFieldIsTheRecordIdentifierAndNeverNull) {
    TKeyField id = Field(FieldType::Integer, 4, 5);
    id.AutoIncrement = true;
    // The record has no storage of its own for the field: byte 9 is the next field's null flag, here 0.
    EXPECT_EQ(KeyOf(Layout({id}), TRecordImage(20, 12)), (TBytes{0x01, 0x80, 0x00, 0x00, 0x0C}));
}

TEST(BuildKey, NonUniqueIndexAppendsTheRecordIdentifier) {
    // The dialling-code table's city_id index: one integer field, not unique, key length 9.
    const TKeyLayout layout = Layout({Field(FieldType::Integer, 4, kFirst)}, {.Unique = false});
    ASSERT_EQ(layout.KeyLength, 9);
    EXPECT_EQ(KeyOf(layout, TRecordImage(36, 7).Int(kFirst, 42, 4)),
              (TBytes{0x01, 0x80, 0x00, 0x00, 0x2A, 0x80, 0x00, 0x00, 0x07}));
}

TEST(BuildKey, FieldImagesFollowEachOtherInIndexOrder) {
    // Fields in the index in the opposite order of the record.
    const TKeyLayout layout = Layout({StringField(3, 14), Field(FieldType::SmallInt, 2, kFirst)});
    TRecordImage record(20);
    record.Int(kFirst, 3, 2).Text(14, "ab");
    EXPECT_EQ(KeyOf(layout, record), (TBytes{0x01, 'a', 'b', 0, 0, 0x01, 0x80, 0x03}));
}

TEST(BuildKey, DescendingFieldWithoutLocaleIsInvertedExceptTheStringTerminator) {
    const TKeyLayout layout = Layout(
        {Field(FieldType::Integer, 4, kFirst, true), StringField(3, 14, true), StringField(2, 19, true)});
    TRecordImage record(22);
    record.Int(kFirst, 1, 4).Text(14, "Ab");                                // third field null
    EXPECT_EQ(KeyOf(layout, record), (TBytes{0xFE, 0x7F, 0xFF, 0xFF, 0xFE,  // ~(01 80 00 00 01)
                                             0xFE, 0xBE, 0x9D, 0xFF, 0x00,  // ~(01 'A' 'b' 00), last 00 kept
                                             0xFF, 0xFF, 0xFF, 0x00}));     // null: ~(00 00 00), last 00 kept
}

TEST(BuildKey, DescendingFieldIsNotInvertedWithALocaleOrADescendingIndex) {
    TRecordImage record(14);
    record.Int(kFirst, 1, 4);
    const TBytes plain = {0x01, 0x80, 0x00, 0x00, 0x01};
    const TKeyField descending = Field(FieldType::Integer, 4, kFirst, true);
    EXPECT_EQ(KeyOf(Layout({descending}, {.LanguageId = 0x0407}), record), plain);
    EXPECT_EQ(KeyOf(Layout({descending}, {.Descending = true}), record), plain);
}

TEST(BuildKey, DeletedRecordIndexKeysStatusAndIdentifier) {
    TKeyLayout layout;
    layout.DeletedRecordIndex = true;
    layout.KeyLength = static_cast<uint16_t>(KeyLengthOf(layout));
    ASSERT_EQ(layout.KeyLength, 5);
    EXPECT_EQ(KeyOf(layout, TRecordImage(20, 3).Status(1)), (TBytes{0x01, 0x80, 0x00, 0x00, 0x03}));
}

TEST(KeyLength, SumsFieldImagesAndTheSuffix) {
    // City: id and a 200-character name.
    const TKeyField id = Field(FieldType::Integer, 4, 5);
    EXPECT_EQ(KeyLengthOf(Layout({id, StringField(200, kFirst)})), 5u + 202u);
    EXPECT_EQ(KeyLengthOf(Layout({id, StringField(200, kFirst)}, {.Unique = false})), 5u + 202u + 4u);
}

}  // namespace
}  // namespace kartei
