#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "MemoryDataSet.h"
#include "base/DatabaseError.h"
#include "dataset/framework/BCDField.h"
#include "dataset/framework/BlobField.h"
#include "dataset/framework/BooleanField.h"
#include "dataset/framework/BytesField.h"
#include "dataset/framework/ConvertError.h"
#include "dataset/framework/DateTimeField.h"
#include "dataset/framework/FloatField.h"
#include "dataset/framework/IntegerField.h"
#include "dataset/framework/StringField.h"
#include "support/RaisedMessage.h"

namespace kartei::fwtest {
namespace {

const std::string kZuerich = "Z\xFCrich";
// 2024-02-29 as TDateTime (days since 1899-12-30), and 13:05:07.250 as a fraction of a day.
constexpr double kLeapDay = 45351;
constexpr double kAfternoon = 47107.25 / 86400;

// One record with a value in every field, one with none.
class FieldTest : public ::testing::Test {
protected:
    FieldTest()
        : dataSet(nullptr, {{"s", TFieldType::ftString, 10},
                            {"i", TFieldType::ftInteger},
                            {"si", TFieldType::ftSmallint},
                            {"w", TFieldType::ftWord},
                            {"ai", TFieldType::ftAutoInc},
                            {"li", TFieldType::ftLargeint},
                            {"b", TFieldType::ftBoolean},
                            {"f", TFieldType::ftFloat},
                            {"c", TFieldType::ftCurrency},
                            {"bcd", TFieldType::ftBCD, 2},
                            {"d", TFieldType::ftDate},
                            {"t", TFieldType::ftTime},
                            {"dt", TFieldType::ftDateTime},
                            {"by", TFieldType::ftBytes, 4},
                            {"vb", TFieldType::ftVarBytes, 6},
                            {"bl", TFieldType::ftBlob},
                            {"m", TFieldType::ftMemo},
                            {"adt", TFieldType::ftADT}}) {
        dataSet.SetName("mem");
        dataSet.AddRow({kZuerich, -123456, -300, 65000, 7, int64_t{5000000000}, true, 2.5, 1234.5, "12.345",
                        "2024-02-29", "13:05:07.250", "2024-02-29 13:05:07", "ab", "xyz", "blobdata",
                        "memo text"});
        dataSet.AddRow({});
        dataSet.Open();
    }
    TField& F(std::string_view name) { return dataSet.FieldByName(name); }

    TMemoryDataSet dataSet;
};

TEST_F(FieldTest, EveryEngineTypeGetsItsFieldClassAndNativeSize) {
    EXPECT_EQ(dataSet.FieldDefs().Count(), 18);
    EXPECT_EQ(dataSet.Fields().Count(), 17);  // no field object for ftADT
    EXPECT_EQ(dataSet.FindField("adt"), nullptr);
    struct Expect {
        const char* name;
        bool isClass;
        size_t size;
    };
    const Expect expected[] = {
        {"s", dynamic_cast<TStringField*>(&F("s")) != nullptr, 11},
        {"i", typeid(F("i")) == typeid(TIntegerField), 4},
        {"si", dynamic_cast<TSmallintField*>(&F("si")) != nullptr, 2},
        {"w", dynamic_cast<TWordField*>(&F("w")) != nullptr, 2},
        {"ai", dynamic_cast<TAutoIncField*>(&F("ai")) != nullptr, 4},
        {"li", dynamic_cast<TLargeintField*>(&F("li")) != nullptr, 8},
        {"b", dynamic_cast<TBooleanField*>(&F("b")) != nullptr, 2},
        {"f", typeid(F("f")) == typeid(TFloatField), 8},
        {"c", dynamic_cast<TCurrencyField*>(&F("c")) != nullptr, 8},
        {"bcd", dynamic_cast<TBCDField*>(&F("bcd")) != nullptr, 8},
        {"d", dynamic_cast<TDateField*>(&F("d")) != nullptr, 4},
        {"t", dynamic_cast<TTimeField*>(&F("t")) != nullptr, 4},
        {"dt", typeid(F("dt")) == typeid(TDateTimeField), 8},
        {"by", typeid(F("by")) == typeid(TBytesField), 4},
        {"vb", dynamic_cast<TVarBytesField*>(&F("vb")) != nullptr, 8},
        {"bl", typeid(F("bl")) == typeid(TBlobField), 0},
        {"m", dynamic_cast<TMemoField*>(&F("m")) != nullptr, 0},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(e.isClass);
        EXPECT_EQ(F(e.name).DataSize(), e.size);
    }
    EXPECT_TRUE(F("m").IsBlob());
    EXPECT_FALSE(F("s").IsBlob());
    EXPECT_EQ(F("dt").DataType(), TFieldType::ftDateTime);
    EXPECT_EQ(F("bcd").Size(), 2);
    EXPECT_EQ(F("d").Index(), 10);
    EXPECT_EQ(F("d").FieldNo(), 11);
}

TEST_F(FieldTest, ValuesReadBackInTheirTypesAndAsText) {
    EXPECT_EQ(F("s").AsString(), kZuerich);
    EXPECT_EQ(F("i").AsString(), "-123456");
    EXPECT_EQ(F("i").AsFloat(), -123456.0);
    EXPECT_EQ(F("si").AsInteger(), -300);
    EXPECT_EQ(F("w").AsInteger(), 65000);
    EXPECT_EQ(F("ai").AsString(), "7");
    EXPECT_EQ(F("li").AsLargeInt(), 5000000000);
    EXPECT_EQ(F("li").AsString(), "5000000000");
    EXPECT_TRUE(F("b").AsBoolean());
    EXPECT_EQ(F("b").AsString(), "True");
    EXPECT_EQ(F("f").AsString(), "2.5");
    EXPECT_EQ(F("f").AsInteger(), 3);  // halves away from zero
    EXPECT_EQ(F("c").AsFloat(), 1234.5);
    EXPECT_EQ(F("bcd").AsString(), "12.35");  // two places, the third rounded
    EXPECT_DOUBLE_EQ(F("bcd").AsFloat(), 12.35);
    EXPECT_EQ(F("bcd").AsInteger(), 12);
    EXPECT_EQ(F("d").AsString(), "2024-02-29");
    EXPECT_EQ(F("d").AsDateTime(), kLeapDay);
    EXPECT_EQ(F("t").AsString(), "13:05:07.250");
    EXPECT_DOUBLE_EQ(F("t").AsDateTime(), kAfternoon);
    EXPECT_EQ(F("dt").AsString(), "2024-02-29 13:05:07");
    EXPECT_DOUBLE_EQ(F("dt").AsFloat(), kLeapDay + 47107.0 / 86400);
    EXPECT_EQ(F("by").AsString(), std::string("ab\0\0", 4));
    EXPECT_EQ(F("vb").AsString(), "xyz");
    EXPECT_EQ(F("bl").AsString(), "blobdata");
    EXPECT_EQ(F("m").AsString(), "memo text");
    EXPECT_EQ(F("bl").DisplayText(), "(BLOB)");
    EXPECT_EQ(F("m").DisplayText(), "(MEMO)");
    EXPECT_EQ(F("i").DisplayText(), "-123456");
}

TEST_F(FieldTest, ValuesAsVariantsKeepTheirKind) {
    EXPECT_EQ(F("s").Value().Kind(), TVariantKind::Text);
    EXPECT_EQ(F("i").Value(), TVariant(-123456));
    EXPECT_EQ(F("i").Value().Kind(), TVariantKind::Integer);
    EXPECT_EQ(F("w").Value().Kind(), TVariantKind::Integer);
    EXPECT_EQ(F("li").Value().Kind(), TVariantKind::LargeInt);
    EXPECT_EQ(F("b").Value(), TVariant(true));
    EXPECT_EQ(F("f").Value(), TVariant(2.5));
    EXPECT_EQ(F("bcd").Value().Kind(), TVariantKind::Float);
    EXPECT_EQ(F("d").Value().Kind(), TVariantKind::DateTime);
    EXPECT_EQ(F("d").Value().AsString(), "2024-02-29");
    EXPECT_EQ(F("dt").Value().AsString(), "2024-02-29 13:05:07");
    EXPECT_EQ(F("vb").Value(), TVariant("xyz"));
    EXPECT_EQ(F("m").Value(), TVariant("memo text"));
}

TEST_F(FieldTest, NullFieldsReadAsEmptyZeroOrFalse) {
    dataSet.Next();
    for (int k = 0; k < dataSet.Fields().Count(); ++k) {
        TField& field = dataSet.Fields()[k];
        SCOPED_TRACE(field.FieldName());
        EXPECT_TRUE(field.IsNull());
        EXPECT_TRUE(field.Value().IsNull());
        EXPECT_EQ(field.AsString(), "");
    }
    EXPECT_EQ(F("i").AsInteger(), 0);
    EXPECT_EQ(F("s").AsInteger(), 0);
    EXPECT_EQ(F("f").AsFloat(), 0);
    EXPECT_FALSE(F("b").AsBoolean());
    EXPECT_EQ(F("dt").AsDateTime(), 0);
    EXPECT_EQ(F("bl").DisplayText(), "(Blob)");
    EXPECT_EQ(F("m").DisplayText(), "(Memo)");
}

TEST_F(FieldTest, PresentationDefaultsFollowTheType) {
    EXPECT_EQ(F("s").DisplayWidth(), 10);
    EXPECT_EQ(F("s").Alignment(), TAlignment::taLeftJustify);
    EXPECT_EQ(F("i").DisplayWidth(), 11);
    EXPECT_EQ(F("i").Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(F("bcd").Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(F("d").Alignment(), TAlignment::taLeftJustify);
    EXPECT_EQ(F("d").DisplayWidth(), 10);
    EXPECT_EQ(F("s").DisplayLabel(), "s");
    F("s").SetDisplayLabel("Stadt");
    EXPECT_EQ(F("s").DisplayLabel(), "Stadt");
    EXPECT_TRUE(F("s").Visible());
    EXPECT_EQ(F("s").FieldKind(), TFieldKind::fkData);
}

TEST_F(FieldTest, WritesConvertByValue) {
    dataSet.Edit();
    F("s").SetValue(42);
    EXPECT_EQ(F("s").AsString(), "42");
    F("s").SetAsFloat(3e9);
    EXPECT_EQ(F("s").AsString(), "3000000000");
    F("s").SetAsBoolean(false);
    EXPECT_EQ(F("s").AsString(), "False");
    F("s").SetAsString("abcdefghijklm");
    EXPECT_EQ(F("s").AsString(), "abcdefghij");  // cut to the size
    F("s").SetAsString(" 17 ");
    EXPECT_EQ(F("s").AsInteger(), 17);

    F("i").SetValue("17");
    EXPECT_EQ(F("i").AsInteger(), 17);
    F("i").SetValue(2.5);
    EXPECT_EQ(F("i").AsInteger(), 3);
    F("i").SetValue(-2.5);
    EXPECT_EQ(F("i").AsInteger(), -3);
    F("i").SetValue(true);
    EXPECT_EQ(F("i").AsInteger(), 1);
    F("li").SetAsFloat(-9e15);
    EXPECT_EQ(F("li").AsLargeInt(), -9000000000000000);

    F("b").SetValue("False");
    EXPECT_FALSE(F("b").AsBoolean());
    F("b").SetValue(2);
    EXPECT_TRUE(F("b").AsBoolean());

    F("f").SetValue("1e3");
    EXPECT_EQ(F("f").AsString(), "1000");
    F("f").SetAsInteger(-4);
    EXPECT_EQ(F("f").Value(), TVariant(-4.0));

    F("bcd").SetValue(0.125);
    EXPECT_EQ(F("bcd").AsString(), "0.13");
    F("bcd").SetAsString("-0.005");
    EXPECT_EQ(F("bcd").AsString(), "-0.01");
    F("bcd").SetAsLargeInt(-7);
    EXPECT_EQ(F("bcd").AsString(), "-7");

    const TVariant evening = TVariant::FromDateTime(kLeapDay + 0.75);
    F("d").SetValue(evening);
    EXPECT_EQ(F("d").AsString(), "2024-02-29");  // the day only
    F("t").SetValue(evening);
    EXPECT_EQ(F("t").AsString(), "18:00:00");  // the time only
    F("dt").SetValue(evening);
    EXPECT_EQ(F("dt").AsString(), "2024-02-29 18:00:00");
    F("dt").SetAsString("1899-12-30");
    EXPECT_EQ(F("dt").AsDateTime(), 0);
    F("d").SetAsFloat(1.5);
    EXPECT_EQ(F("d").AsString(), "1899-12-31");

    F("by").SetAsString("123456");
    EXPECT_EQ(F("by").AsString(), "1234");
    F("vb").SetAsString("1234567");
    EXPECT_EQ(F("vb").AsString(), "123456");
    F("vb").SetAsString("");
    EXPECT_FALSE(F("vb").IsNull());
    EXPECT_EQ(F("vb").AsString(), "");

    F("m").SetAsString("new memo");
    EXPECT_EQ(F("m").AsString(), "new memo");

    F("i").SetValue(TVariant());
    EXPECT_TRUE(F("i").IsNull());
    F("f").SetAsString("  ");
    EXPECT_TRUE(F("f").IsNull());
    F("bl").Clear();
    EXPECT_TRUE(F("bl").IsNull());

    dataSet.Post();
    EXPECT_EQ(F("s").AsString(), " 17 ");
    EXPECT_EQ(F("m").AsString(), "new memo");
    EXPECT_TRUE(F("i").IsNull());
    EXPECT_EQ(F("dt").AsString(), "1899-12-30");
}

TEST_F(FieldTest, ValuesOutsideTheTypesRangeAreRefused) {
    dataSet.Edit();
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("si").SetAsInteger(40000); }),
              "40000 ist kein g\xFC"
              "ltiger Wert f\xFC"
              "r das Feld 'si'. Der erlaubte Bereich ist -32768 bis 32767");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("w").SetValue(-1); }),
              "-1 ist kein g\xFC"
              "ltiger Wert f\xFC"
              "r das Feld 'w'. Der erlaubte Bereich ist 0 bis 65535");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("i").SetAsFloat(3e9); }),
              "3000000000 ist kein g\xFC"
              "ltiger Wert f\xFC"
              "r das Feld 'i'. Der erlaubte Bereich ist -2147483648 bis "
              "2147483647");
    EXPECT_THROW(F("i").SetValue(int64_t{1} << 40), EDatabaseError);
    EXPECT_THROW(F("li").SetAsFloat(1e19), EDatabaseError);
    EXPECT_EQ(F("si").AsInteger(), -300);  // unchanged
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("li").AsInteger(); }),
              "\xDC"
              "berlauf bei Variant-Typumwandlung");
}

TEST_F(FieldTest, TextsThatHoldNoValueRaiseConversionErrors) {
    dataSet.Edit();
    F("s").SetAsString("abc");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("s").AsInteger(); }),
              "'abc' ist kein g\xFC"
              "ltiger Ganzzahlwert");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("s").AsFloat(); }),
              "'abc' ist kein g\xFC"
              "ltiger Gleitkommawert");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("i").SetAsString("12x"); }),
              "'12x' ist kein g\xFC"
              "ltiger Ganzzahlwert");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("b").SetAsString("yes"); }),
              "'yes' ist kein g\xFC"
              "ltiger Boolescher Wert");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("d").SetAsString("31.12.2024"); }),
              "'31.12.2024' ist kein g\xFC"
              "ltiges Datum");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("t").SetAsString("25:00:00"); }),
              "'25:00:00' ist keine g\xFC"
              "ltige Uhrzeit");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { F("dt").SetValue("later"); }),
              "'later' ist kein g\xFC"
              "ltiger Zeitpunkt");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] {
                  F("i").SetValue(TVariant(std::vector<TVariant>{1, 2}));
              }),
              "Ung\xFC"
              "ltige Variant-Typumwandlung");
    EXPECT_EQ(F("i").AsInteger(), -123456);
}

TEST_F(FieldTest, ConversionsATypeDoesNotOfferAreRefused) {
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("b").AsInteger(); }),
              "Zugriff auf Feld 'b' als Typ Integer nicht m\xF6"
              "glich");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("i").AsBoolean(); }),
              "Zugriff auf Feld 'i' als Typ Boolean nicht m\xF6"
              "glich");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("d").AsInteger(); }),
              "Zugriff auf Feld 'd' als Typ Integer nicht m\xF6"
              "glich");
    F("by").SetDisplayLabel("Rohdaten");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("by").AsFloat(); }),
              "Zugriff auf Feld 'Rohdaten' als Typ Float nicht m\xF6"
              "glich");
    EXPECT_THROW(F("bl").AsDateTime(), EDatabaseError);
}

TEST_F(FieldTest, WritesNeedAnEditingStateAndAWritableField) {
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("s").SetAsString("x"); }),
              "Datenmenge weder im Editier- noch im Einf\xFC"
              "gemodus");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("m").SetAsString("x"); }),
              "Datenmenge weder im Editier- noch im Einf\xFC"
              "gemodus");
    F("s").SetReadOnly(true);
    F("s").SetDisplayLabel("Stadt");
    EXPECT_FALSE(F("s").CanModify());
    EXPECT_TRUE(F("i").CanModify());
    dataSet.Edit();
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("s").SetAsString("x"); }),
              "Feld 'Stadt' kann nicht ver\xE4"
              "ndert werden");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { F("s").Clear(); }),
              "Feld 'Stadt' kann nicht ver\xE4"
              "ndert werden");
    dataSet.Cancel();

    // Searching and key building write read-only fields too.
    const TDataSetState previous = dataSet.SetTempState(TDataSetState::dsFilter);
    F("s").SetAsString("Key");
    EXPECT_EQ(F("s").AsString(), "Key");
    dataSet.RestoreState(previous);
    EXPECT_EQ(F("s").AsString(), kZuerich);

    dataSet.SetReadOnly(true);
    EXPECT_FALSE(F("i").CanModify());
}

TEST_F(FieldTest, FieldsAreFoundByNameWithoutRegardToCase) {
    EXPECT_EQ(dataSet.FindField("BCD"), &F("bcd"));
    EXPECT_EQ(dataSet.FindField("x"), nullptr);
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet.FieldByName("nope"); }),
              "mem: Das Feld 'nope' wurde nicht gefunden");
    const std::vector<TField*> list = dataSet.GetFieldList("d; S ;i");
    EXPECT_EQ(list, (std::vector<TField*>{&F("d"), &F("s"), &F("i")}));
    EXPECT_TRUE(dataSet.GetFieldList("").empty());
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet.GetFieldList("i;;s"); }),
              "mem: Das Feld '' wurde nicht gefunden");
    dataSet.SetName("");
    EXPECT_EQ(RaisedMessage<EDatabaseError>([&] { dataSet.FieldByName("nope"); }),
              "Das Feld 'nope' wurde nicht gefunden");
}

TEST(FieldNamesTest, UmlautsMatchTheirOtherCase) {
    TMemoryDataSet dataSet(nullptr, {{"Gr\xF6\xDF"
                                      "e",
                                      TFieldType::ftInteger}});
    dataSet.Open();
    EXPECT_NE(dataSet.FindField("GR\xD6\xDF"
                                "E"),
              nullptr);
    EXPECT_EQ(dataSet.FindField("GROESSE"), nullptr);
}

}  // namespace
}  // namespace kartei::fwtest
