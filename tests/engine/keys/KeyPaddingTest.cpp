#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "KeyTestSupport.h"
#include "engine/keys/KeyPadding.h"

namespace kartei {
namespace {

using namespace test;

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kFirst = 9;
constexpr uint16_t kSecond = 14;

struct TRow {
    int32_t Number;
    std::optional<std::string> Name;
    int32_t RecordId;
};

// Rows around the value 42, with names at the extremes of both orders: null, punctuation, thorn, micro sign
// (the highest German character), ÿ (the highest byte).
const std::vector<TRow> kRows = {
    {41, "zzz", 1},          {41, "\xB5\xB5", 2},
    {42, std::nullopt, 3},   {42, "!", 4},
    {42, "Aachen", 5},       {42, "zzzz", 6},
    {42, "\xFE\xFE", 7},     {42, "\xB5\xB5\xB5\xB5\xB5\xB5\xB5\xB5\xB5\xB5", 8},
    {42, "\xFF\xFF\xFF", 9}, {43, std::nullopt, 10},
    {43, "!", 11},           {-42, "Aachen", 12},
};

TBytes RowKey(const TKeyLayout& layout, const TRow& row) {
    TRecordImage record(30, row.RecordId);
    record.Int(kFirst, row.Number, 4);
    if (row.Name) {
        record.Text(kSecond, *row.Name);
    }
    return KeyOf(layout, record);
}

bool Encloses(const TKeyLayout& layout, const TBytes& start, const TBytes& end, const TBytes& key) {
    return Order(layout, start, key) <= 0 && Order(layout, key, end) <= 0;
}

struct TPaddingCase {
    uint16_t LanguageId;
    bool Unique;
    bool IndexDescending;
    bool NameDescending;
};

std::ostream& operator<<(std::ostream& out, const TPaddingCase& c) {
    return out << "language " << c.LanguageId << (c.Unique ? " unique" : "")
               << (c.IndexDescending ? " descending" : "") << (c.NameDescending ? " descending-name" : "");
}

class PadKeyAfterFirstField : public testing::TestWithParam<TPaddingCase> {};

TEST_P(PadKeyAfterFirstField, EnclosesExactlyTheKeysWithThatFirstValue) {
    const TPaddingCase& c = GetParam();
    const TKeyLayout layout =
        Layout({Field(FieldType::Integer, 4, kFirst), StringField(10, kSecond, c.NameDescending)},
               {.Unique = c.Unique, .Descending = c.IndexDescending, .LanguageId = c.LanguageId});
    // A search key from a record whose first field is 42; the rest of the record does not matter.
    TBytes start = RowKey(layout, {42, "Mitte", 77});
    TBytes end = start;
    const size_t used = 5;
    // A descending index starts its ranges at the high end.
    if (c.IndexDescending) {
        PadKeyHigh(layout, start.data(), used);
        PadKeyLow(layout, end.data(), used);
    } else {
        PadKeyLow(layout, start.data(), used);
        PadKeyHigh(layout, end.data(), used);
    }
    for (const TRow& row : kRows) {
        EXPECT_EQ(Encloses(layout, start, end, RowKey(layout, row)), row.Number == 42) << row.RecordId;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PadKeyAfterFirstField,
    testing::Values(TPaddingCase{0, true, false, false}, TPaddingCase{0, false, false, true},
                    TPaddingCase{0, false, true, false}, TPaddingCase{kGerman, true, false, false},
                    TPaddingCase{kGerman, false, false, false}, TPaddingCase{kGerman, false, false, true},
                    TPaddingCase{kGerman, true, true, false}, TPaddingCase{kGerman, false, true, true}));

TEST(PadKey, RangeKeysOfANonUniqueIntegerIndex) {
    for (const uint16_t languageId : {uint16_t{0}, kGerman}) {
        const TKeyLayout layout =
            Layout({Field(FieldType::Integer, 4, kFirst)}, {.Unique = false, .LanguageId = languageId});
        TBytes start = KeyOf(layout, TRecordImage(36, 5).Int(kFirst, 42, 4));
        TBytes end = start;
        PadKeyLow(layout, start.data(), 5);
        PadKeyHigh(layout, end.data(), 5);
        EXPECT_EQ(start, (TBytes{0x01, 0x80, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00}));
        EXPECT_EQ(end, (TBytes{0x01, 0x80, 0x00, 0x00, 0x2A, 0xFF, 0xFF, 0xFF, 0xFF}));
    }
}

TEST(PadKey, StringFieldsOfALocaleTakeItsLowestAndHighestCharacters) {
    const TKeyLayout layout = Layout({StringField(3, kFirst), Field(FieldType::SmallInt, 2, 14)},
                                     {.Unique = false, .LanguageId = kGerman});
    ASSERT_EQ(layout.Locale.LowChar, 0x00);
    ASSERT_EQ(layout.Locale.HighChar, 0xB5);
    TBytes key(layout.KeyLength, 0x33);
    PadKeyHigh(layout, key.data(), 2);  // flag byte and one character supplied
    EXPECT_EQ(key, (TBytes{0x33, 0x33, 0xB5, 0xB5, 0xB5, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    PadKeyLow(layout, key.data(), 0);
    EXPECT_EQ(key, TBytes(12, 0x00));
}

TEST(PadKey, PartialStringEnclosesEveryKeyBeginningWithIt) {
    for (const uint16_t languageId : {uint16_t{0}, kGerman}) {
        const TKeyLayout layout = Layout({StringField(20, kFirst)}, {.LanguageId = languageId});
        auto key = [&layout](std::string_view name) {
            return KeyOf(layout, TRecordImage(40).Text(kFirst, name));
        };
        TBytes start = key("Ber");
        TBytes end = start;
        PadKeyLow(layout, start.data(), 4);
        PadKeyHigh(layout, end.data(), 4);
        for (const char* inside :
             {"Ber", "Berlin", "Bern", "Bernau", "Ber\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"}) {
            EXPECT_TRUE(Encloses(layout, start, end, key(inside))) << inside << " " << languageId;
        }
        for (const char* outside : {"Be", "Bea", "Bes", "Bf", "Aachen", "ber"}) {
            EXPECT_FALSE(Encloses(layout, start, end, key(outside))) << outside << " " << languageId;
        }
    }
}

TEST(PadKey, DeletedRecordIndexPadsBytes) {
    TKeyLayout layout;
    layout.DeletedRecordIndex = true;
    layout.Locale = Locale(kGerman);
    layout.KeyLength = kDeletedRecordKeyLength;
    TBytes key = {0x01, 0x80, 0x00, 0x00, 0x03};
    PadKeyHigh(layout, key.data(), 1);
    EXPECT_EQ(key, (TBytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(EdgeKeys, WithoutLocaleAllZeroAndAllFF) {
    const TKeyLayout layout = Layout({Field(FieldType::Integer, 4, kFirst), StringField(10, kSecond)});
    TBytes key(layout.KeyLength, 0x55);
    LowestKey(layout, key.data());
    EXPECT_EQ(key, TBytes(layout.KeyLength, 0x00));
    HighestKey(layout, key.data());
    EXPECT_EQ(key, TBytes(layout.KeyLength, 0xFF));
}

TEST(EdgeKeys, WithLocaleFlagsAndEdgeCharacters) {
    const TKeyLayout layout = Layout({Field(FieldType::Integer, 4, kFirst), StringField(3, kSecond)},
                                     {.Unique = false, .LanguageId = kGerman});
    TBytes key(layout.KeyLength, 0x55);
    LowestKey(layout, key.data());
    EXPECT_EQ(key, TBytes(14, 0x00));
    HighestKey(layout, key.data());
    EXPECT_EQ(key,
              (TBytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0xB5, 0xB5, 0xB5, 0xB5, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(EdgeKeys, BoundEveryRealKey) {
    for (const TPaddingCase& c :
         {TPaddingCase{0, false, false, true}, TPaddingCase{kGerman, false, false, false},
          TPaddingCase{kGerman, true, false, true}}) {
        // The string field first, so that its own edge image decides.
        const TKeyLayout layout =
            Layout({StringField(10, kSecond, c.NameDescending), Field(FieldType::Integer, 4, kFirst)},
                   {.Unique = c.Unique, .LanguageId = c.LanguageId});
        TBytes lowest(layout.KeyLength);
        TBytes highest(layout.KeyLength);
        LowestKey(layout, lowest.data());
        HighestKey(layout, highest.data());
        for (const TRow& row : kRows) {
            EXPECT_TRUE(Encloses(layout, lowest, highest, RowKey(layout, row))) << row.RecordId;
        }
        EXPECT_EQ(Order(layout, lowest, highest), -1);
    }
}

}  // namespace
}  // namespace kartei
