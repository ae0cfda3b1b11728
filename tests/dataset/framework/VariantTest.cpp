#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

#include "dataset/framework/ConvertError.h"
#include "dataset/framework/Variant.h"
#include "support/RaisedMessage.h"

namespace kartei {
namespace {

bool Unordered(const TVariant& a, const TVariant& b) {
    return TVariant::Compare(a, b) == std::partial_ordering::unordered;
}

TEST(VariantTest, EachConstructorGivesItsKind) {
    EXPECT_EQ(TVariant().Kind(), TVariantKind::Null);
    EXPECT_EQ(TVariant(true).Kind(), TVariantKind::Boolean);
    EXPECT_EQ(TVariant(5).Kind(), TVariantKind::Integer);
    EXPECT_EQ(TVariant(int64_t{5}).Kind(), TVariantKind::LargeInt);
    EXPECT_EQ(TVariant(5.0).Kind(), TVariantKind::Float);
    EXPECT_EQ(TVariant::FromDateTime(5.0).Kind(), TVariantKind::DateTime);
    EXPECT_EQ(TVariant("x").Kind(), TVariantKind::Text);
    EXPECT_EQ(TVariant(std::string_view("x")).Kind(), TVariantKind::Text);
    const TVariant array(std::vector<TVariant>{1, "a"});
    EXPECT_TRUE(array.IsArray());
    EXPECT_EQ(array.Elements().size(), 2u);
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant(1).Elements(); }),
              "Ung\xFC"
              "ltige Variant-Typumwandlung");
}

TEST(VariantTest, NullEqualsOnlyNullAndSortsFirst) {
    EXPECT_EQ(TVariant(), TVariant());
    EXPECT_NE(TVariant(), TVariant(0));
    EXPECT_NE(TVariant(), TVariant(""));
    EXPECT_NE(TVariant(false), TVariant());
    EXPECT_LT(TVariant(), TVariant(std::numeric_limits<int32_t>::min()));
    EXPECT_LT(TVariant(), TVariant(""));
    EXPECT_GT(TVariant("a"), TVariant());
}

TEST(VariantTest, NumbersCompareByValueAcrossKinds) {
    EXPECT_EQ(TVariant(5), TVariant(int64_t{5}));
    EXPECT_EQ(TVariant(5), TVariant(5.0));
    EXPECT_EQ(TVariant(true), TVariant(1));
    EXPECT_EQ(TVariant(false), TVariant(0.0));
    EXPECT_EQ(TVariant::FromDateTime(2.5), TVariant(2.5));
    EXPECT_NE(TVariant(5), TVariant(6));
    EXPECT_LT(TVariant(5), TVariant(5.5));
    EXPECT_GT(TVariant(int64_t{-1}), TVariant(-1.5));
    // Without rounding the integer to a double: 2^63 - 1 is below 2^63.
    EXPECT_LT(TVariant(std::numeric_limits<int64_t>::max()), TVariant(9223372036854775808.0));
    EXPECT_NE(TVariant(int64_t{9007199254740993}), TVariant(9007199254740992.0));
}

TEST(VariantTest, TextsCompareByteByByte) {
    EXPECT_EQ(TVariant("abc"), TVariant(std::string("abc")));
    EXPECT_NE(TVariant("abc"), TVariant("ABC"));
    EXPECT_LT(TVariant("abc"), TVariant("abd"));
    EXPECT_LT(TVariant("ab"), TVariant("abc"));
    EXPECT_GT(TVariant("\xE4"), TVariant("z"));  // bytes as unsigned values
}

TEST(VariantTest, ATextAgainstANumberIsReadAsOne) {
    EXPECT_EQ(TVariant("12"), TVariant(12));
    EXPECT_EQ(TVariant(" 7 "), TVariant(int64_t{7}));
    EXPECT_EQ(TVariant(12.5), TVariant("12.5"));
    EXPECT_LT(TVariant("9"), TVariant(10));  // as numbers, not as texts
    EXPECT_EQ(TVariant("True"), TVariant(true));
    EXPECT_EQ(TVariant("2024-02-29"), TVariant::FromDateTime(45351));
    EXPECT_TRUE(Unordered(TVariant("abc"), TVariant(12)));
    EXPECT_NE(TVariant("abc"), TVariant(12));
    EXPECT_FALSE(TVariant("abc") < TVariant(12));
    EXPECT_FALSE(TVariant("abc") > TVariant(12));
    EXPECT_TRUE(Unordered(TVariant(""), TVariant(0)));
    EXPECT_TRUE(Unordered(TVariant("yes"), TVariant(true)));
}

TEST(VariantTest, ArraysCompareElementByElement) {
    const TVariant a(std::vector<TVariant>{1, "a"});
    EXPECT_EQ(a, TVariant(std::vector<TVariant>{int64_t{1}, "a"}));
    EXPECT_LT(a, TVariant(std::vector<TVariant>{1, "b"}));
    EXPECT_LT(TVariant(std::vector<TVariant>{1}), a);
    EXPECT_EQ(TVariant(std::vector<TVariant>{TVariant(), 2}),
              TVariant(std::vector<TVariant>{TVariant(), 2.0}));
    EXPECT_TRUE(Unordered(a, TVariant(1)));
    EXPECT_TRUE(Unordered(a, TVariant(std::vector<TVariant>{"x", "a"})));
}

TEST(VariantTest, ConversionsToText) {
    EXPECT_EQ(TVariant().AsString(), "");
    EXPECT_EQ(TVariant(true).AsString(), "True");
    EXPECT_EQ(TVariant(false).AsString(), "False");
    EXPECT_EQ(TVariant(-5).AsString(), "-5");
    EXPECT_EQ(TVariant(std::numeric_limits<int64_t>::min()).AsString(), "-9223372036854775808");
    EXPECT_EQ(TVariant(2.5).AsString(), "2.5");
    EXPECT_EQ(TVariant(0.1 + 0.2).AsString(), "0.30000000000000004");
    EXPECT_EQ(TVariant(3e9).AsString(), "3000000000");
    EXPECT_EQ(TVariant(1e20).AsString(), "1e+20");
    EXPECT_EQ(TVariant(1.5e-7).AsString(), "1.5e-07");
    EXPECT_EQ(TVariant::FromDateTime(45351).AsString(), "2024-02-29");
    EXPECT_EQ(TVariant::FromDateTime(45351.75).AsString(), "2024-02-29 18:00:00");
    EXPECT_EQ(TVariant::FromDateTime(0.5 + 0.001 / 86400).AsString(), "1899-12-30 12:00:00.001");
    EXPECT_EQ(TVariant::FromDateTime(-1).AsString(), "1899-12-29");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant(std::vector<TVariant>{}).AsString(); }),
              "Ung\xFC"
              "ltige Variant-Typumwandlung");
}

TEST(VariantTest, ConversionsToNumbers) {
    EXPECT_EQ(TVariant("42").AsInteger(), 42);
    EXPECT_EQ(TVariant(2.5).AsInteger(), 3);
    EXPECT_EQ(TVariant(-2.5).AsInteger(), -3);
    EXPECT_EQ(TVariant(true).AsInteger(), 1);
    EXPECT_EQ(TVariant(int64_t{5000000000}).AsLargeInt(), 5000000000);
    EXPECT_EQ(TVariant("1.5e3").AsFloat(), 1500.0);
    EXPECT_EQ(TVariant(7).AsFloat(), 7.0);
    EXPECT_EQ(TVariant("2024-02-29 06:00:00").AsDateTime(), 45351.25);
    EXPECT_EQ(TVariant("12:00:00").AsDateTime(), 0.5);
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant(int64_t{5000000000}).AsInteger(); }),
              "\xDC"
              "berlauf bei Variant-Typumwandlung");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant(1e300).AsLargeInt(); }),
              "\xDC"
              "berlauf bei Variant-Typumwandlung");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant("x1").AsInteger(); }),
              "'x1' ist kein g\xFC"
              "ltiger Ganzzahlwert");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant("1,5").AsFloat(); }),
              "'1,5' ist kein g\xFC"
              "ltiger Gleitkommawert");
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant().AsInteger(); }),
              "Ung\xFC"
              "ltige Variant-Typumwandlung");
    EXPECT_THROW(TVariant().AsFloat(), EConvertError);
}

TEST(VariantTest, ConversionsToBoolean) {
    EXPECT_TRUE(TVariant("true").AsBoolean());
    EXPECT_FALSE(TVariant(" FALSE ").AsBoolean());
    EXPECT_FALSE(TVariant(0).AsBoolean());
    EXPECT_TRUE(TVariant(0.5).AsBoolean());
    EXPECT_TRUE(TVariant(int64_t{-1}).AsBoolean());
    EXPECT_EQ(RaisedMessage<EConvertError>([] { TVariant("ja").AsBoolean(); }),
              "'ja' ist kein g\xFC"
              "ltiger Boolescher Wert");
    EXPECT_THROW(TVariant().AsBoolean(), EConvertError);
}

TEST(VariantTest, FloatTextsReadBackAsTheSameDouble) {
    for (const double value : {0.1, 1.0 / 3, 1e-7, 123456789012345678.0, -2.5e-300, 0.0}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(TVariant(TVariant(value).AsString()).AsFloat(), value);
    }
}

}  // namespace
}  // namespace kartei
