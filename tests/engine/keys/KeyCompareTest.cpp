#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "KeyTestSupport.h"

namespace kartei {
namespace {

using namespace test;

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kFirst = 9;

// Tables with one 20-character string field at record offset 9.
TRecordImage City(std::string_view name, int32_t recordId = 1) {
    return TRecordImage(40, recordId).Text(kFirst, name);
}

int CompareCities(const TKeyLayout& layout, std::string_view a, std::string_view b) {
    return Order(layout, KeyOf(layout, City(a)), KeyOf(layout, City(b)));
}

// Byte runs compare word by word: a difference anywhere, in a byte with the high bit set or not, must order
// the runs as memcmp does, whatever the length.
TEST(CompareBytes, OrdersAsMemcmpAtEveryLengthAndPosition) {
    for (size_t length = 0; length <= 40; ++length) {
        for (size_t at = 0; at < length; ++at) {
            for (const auto& [left, right] :
                 {std::pair<uint8_t, uint8_t>{0x01, 0x02}, {0x7F, 0x80}, {0xFF, 0x00}}) {
                std::vector<uint8_t> a(length, 0x80);
                std::vector<uint8_t> b(length, 0x80);
                a[at] = left;
                b[at] = right;
                // Later bytes that order the other way must not count.
                if (at + 1 < length) {
                    a[at + 1] = 0x00;
                    b[at + 1] = 0xFF;
                    a.back() = 0x00;
                    b.back() = 0xFF;
                }
                const int expected = std::memcmp(a.data(), b.data(), length) < 0 ? -1 : 1;
                EXPECT_EQ(CompareBytes(a.data(), b.data(), length), expected) << length << " at " << at;
                EXPECT_EQ(CompareBytes(b.data(), a.data(), length), -expected) << length << " at " << at;
            }
        }
        const std::vector<uint8_t> same(length, 0xA5);
        EXPECT_EQ(CompareBytes(same.data(), std::vector<uint8_t>(same).data(), length), 0);
    }
}

TEST(CompareKeys, NoLanguageComparesCodePageBytes) {
    const TKeyLayout layout = Layout({StringField(20, kFirst)});
    // ü (FC) lies above every ASCII letter, and lower case above upper case.
    EXPECT_EQ(CompareCities(layout, "Z\xFCrich", "Zwickau"), 1);
    EXPECT_EQ(CompareCities(layout, "a", "Z"), 1);
    EXPECT_EQ(CompareCities(layout, "Muller", "M\xFCller"), -1);
}

TEST(CompareKeys, GermanCollatesStringFields) {
    const TKeyLayout layout = Layout({StringField(20, kFirst)}, {.LanguageId = kGerman});
    EXPECT_EQ(CompareCities(layout, "Z\xFCrich", "Zwickau"), -1);
    EXPECT_EQ(CompareCities(layout, "a", "Z"), -1);
    // Accent-insensitive, case-sensitive.
    EXPECT_EQ(CompareCities(layout, "Muller", "M\xFCller"), 0);
    EXPECT_EQ(CompareCities(layout, "berlin", "Berlin"), -1);
    // A proper prefix sorts before its extensions despite the zero padding of the value area.
    EXPECT_EQ(CompareCities(layout, "Ber", "Berlin"), -1);
    EXPECT_EQ(CompareCities(layout, "Berlin", "Ber"), 1);
}

TEST(CompareKeys, PhoneBookOrderInKeys) {
    const TKeyLayout layout = Layout({StringField(20, kFirst)}, {.LanguageId = kGerman, .SortId = 1});
    EXPECT_EQ(CompareCities(layout, "M\xFCll", "Muel"), 1);
    EXPECT_EQ(CompareCities(layout, "M\xFCll", "Muem"), -1);
}

class CompareKeysInBothOrders : public testing::TestWithParam<uint16_t> {
protected:
    TLayoutOptions Options() const { return {.LanguageId = GetParam()}; }
};

TEST_P(CompareKeysInBothOrders, NegativeValuesSortBeforeZeroBeforePositive) {
    struct TCase {
        uint8_t Type;
        uint16_t Width;
    };
    for (const TCase& kind :
         {TCase{FieldType::Integer, 4}, TCase{FieldType::SmallInt, 2}, TCase{FieldType::Date, 4}}) {
        const TKeyLayout layout = Layout({Field(kind.Type, kind.Width, kFirst)}, Options());
        const TBytes minusFive = KeyOf(layout, TRecordImage(14).Int(kFirst, -5, kind.Width));
        const TBytes zero = KeyOf(layout, TRecordImage(14).Int(kFirst, 0, kind.Width));
        const TBytes seven = KeyOf(layout, TRecordImage(14).Int(kFirst, 7, kind.Width));
        const TBytes null = KeyOf(layout, TRecordImage(14));
        const int64_t lowest = kind.Width == 2 ? -32768 : INT32_MIN;
        const TBytes smallest = KeyOf(layout, TRecordImage(14).Int(kFirst, lowest, kind.Width));
        EXPECT_EQ(Order(layout, minusFive, zero), -1) << int{kind.Type};
        EXPECT_EQ(Order(layout, zero, seven), -1) << int{kind.Type};
        EXPECT_EQ(Order(layout, seven, minusFive), 1) << int{kind.Type};
        EXPECT_EQ(Order(layout, null, smallest), -1) << int{kind.Type};
    }
}

TEST_P(CompareKeysInBothOrders, NullStringSortsBeforeEveryValue) {
    const TKeyLayout layout = Layout({StringField(20, kFirst)}, Options());
    const TBytes null = KeyOf(layout, TRecordImage(40));
    EXPECT_EQ(Order(layout, null, KeyOf(layout, City("!"))), -1);
    EXPECT_EQ(Order(layout, null, KeyOf(layout, City("\x01"))), -1);
    EXPECT_EQ(Order(layout, null, null), 0);
}

TEST_P(CompareKeysInBothOrders, EqualValuesOfANonUniqueIndexFollowTheRecordIdentifier) {
    const TKeyLayout integers =
        Layout({Field(FieldType::Integer, 4, kFirst)}, {.Unique = false, .LanguageId = GetParam()});
    const TKeyLayout strings = Layout({StringField(20, kFirst)}, {.Unique = false, .LanguageId = GetParam()});
    EXPECT_EQ(Order(integers, KeyOf(integers, TRecordImage(40, 1).Int(kFirst, 42, 4)),
                    KeyOf(integers, TRecordImage(40, 2).Int(kFirst, 42, 4))),
              -1);
    EXPECT_EQ(Order(strings, KeyOf(strings, City("Bern", 2)), KeyOf(strings, City("Bern", 10))), -1);
    EXPECT_EQ(Order(strings, KeyOf(strings, City("Bern", -1)), KeyOf(strings, City("Bern", 1))), -1);
    // The value still decides first.
    EXPECT_EQ(Order(strings, KeyOf(strings, City("Bonn", 1)), KeyOf(strings, City("Bern", 2))), 1);
}

TEST_P(CompareKeysInBothOrders, DescendingIndexReversesValuesAndRecordIdentifiers) {
    const TKeyLayout integers = Layout({Field(FieldType::Integer, 4, kFirst)},
                                       {.Unique = false, .Descending = true, .LanguageId = GetParam()});
    const TKeyLayout strings =
        Layout({StringField(20, kFirst)}, {.Unique = false, .Descending = true, .LanguageId = GetParam()});
    EXPECT_EQ(Order(integers, KeyOf(integers, TRecordImage(40, 1).Int(kFirst, 42, 4)),
                    KeyOf(integers, TRecordImage(40, 2).Int(kFirst, 42, 4))),
              1);
    EXPECT_EQ(Order(integers, KeyOf(integers, TRecordImage(40, 1).Int(kFirst, 3, 4)),
                    KeyOf(integers, TRecordImage(40, 2).Int(kFirst, 7, 4))),
              1);
    EXPECT_EQ(Order(strings, KeyOf(strings, City("Bern", 2)), KeyOf(strings, City("Bern", 10))), 1);
    EXPECT_EQ(Order(strings, KeyOf(strings, City("Aachen", 2)), KeyOf(strings, City("Berlin", 1))), 1);
}

TEST_P(CompareKeysInBothOrders, DescendingFieldReversesOnlyItself) {
    // Reversal happens once: a descending field of a descending index is simply descending.
    for (const bool indexDescending : {false, true}) {
        for (const bool fieldDescending : {false, true}) {
            TLayoutOptions options = Options();
            options.Descending = indexDescending;
            const TKeyLayout layout = Layout({StringField(20, kFirst, fieldDescending)}, options);
            EXPECT_EQ(CompareCities(layout, "Aachen", "Berlin"), indexDescending || fieldDescending ? 1 : -1)
                << indexDescending << fieldDescending;
            EXPECT_EQ(CompareCities(layout, "Berlin", "Berlin"), 0);
        }
    }
    // Ascending integer, then descending string.
    const TKeyLayout layout =
        Layout({Field(FieldType::Integer, 4, kFirst), StringField(10, 14, true)}, Options());
    auto key = [&layout](int32_t number, std::string_view name) {
        return KeyOf(layout, TRecordImage(30).Int(kFirst, number, 4).Text(14, name));
    };
    EXPECT_EQ(Order(layout, key(1, "A"), key(1, "B")), 1);
    EXPECT_EQ(Order(layout, key(1, "B"), key(2, "A")), -1);
    EXPECT_EQ(Order(layout, key(1, "Ber"), key(1, "Berlin")), 1);
}

TEST_P(CompareKeysInBothOrders, CaseInsensitiveIndexFindsBerlinWithBERLIN) {
    TLayoutOptions options = Options();
    options.CaseInsensitive = true;
    const TKeyLayout insensitive = Layout({StringField(20, kFirst)}, options);
    const TKeyLayout sensitive = Layout({StringField(20, kFirst)}, Options());
    EXPECT_EQ(CompareCities(insensitive, "berlin", "BERLIN"), 0);
    EXPECT_EQ(CompareCities(insensitive, "Bremen", "berlin"), 1);
    EXPECT_NE(CompareCities(sensitive, "berlin", "BERLIN"), 0);
}

TEST_P(CompareKeysInBothOrders, LengthEndingInsideAStringComparesItAsAPrefix) {
    const TKeyLayout layout = Layout({StringField(20, kFirst)}, Options());
    const TBytes search = KeyOf(layout, City("Ber"));
    const size_t used = 1 + 3;  // flag byte and three characters
    EXPECT_EQ(CompareKeys(layout, KeyOf(layout, City("Berlin")).data(), search.data(), used), 0);
    EXPECT_EQ(CompareKeys(layout, KeyOf(layout, City("Bern")).data(), search.data(), used), 0);
    EXPECT_EQ(CompareKeys(layout, KeyOf(layout, City("Bremen")).data(), search.data(), used), 1);
    EXPECT_EQ(CompareKeys(layout, KeyOf(layout, City("Bad Ems")).data(), search.data(), used), -1);
    // Over the full key Ber is its own, lower value.
    EXPECT_EQ(Order(layout, KeyOf(layout, City("Berlin")), search), 1);
}

TEST_P(CompareKeysInBothOrders, LengthEndingInsideASecondStringField) {
    const TKeyLayout layout = Layout({Field(FieldType::Integer, 4, kFirst), StringField(20, 14)},
                                     {.Unique = false, .LanguageId = GetParam()});
    auto key = [&layout](int32_t number, std::string_view name, int32_t recordId) {
        return KeyOf(layout, TRecordImage(40, recordId).Int(kFirst, number, 4).Text(14, name));
    };
    const TBytes search = key(5, "Ber", 99);
    const size_t used = 5 + 1 + 3;
    EXPECT_EQ(CompareKeys(layout, key(5, "Berlin", 1).data(), search.data(), used), 0);
    EXPECT_EQ(CompareKeys(layout, key(5, "Bern", 2).data(), search.data(), used), 0);
    EXPECT_EQ(CompareKeys(layout, key(4, "Bern", 2).data(), search.data(), used), -1);
    // After the first field only: every key with that first value matches.
    EXPECT_EQ(CompareKeys(layout, key(5, "Zwickau", 3).data(), search.data(), 5), 0);
}

TEST_P(CompareKeysInBothOrders, APreparedKeyOrdersAsItsBytesAtEveryLength) {
    const TKeyLayout layout =
        Layout({StringField(20, kFirst), Field(FieldType::Integer, 4, 30), StringField(6, 35, true)},
               {.Unique = false, .LanguageId = GetParam()});
    auto key = [&layout](std::string_view name, int32_t number, std::string_view tag, int32_t recordId) {
        return KeyOf(layout, TRecordImage(48, recordId).Text(kFirst, name).Int(30, number, 4).Text(35, tag));
    };
    const std::vector<TBytes> keys = {
        key("Berlin", 5, "ab", 1),       key("berlin", 5, "ab", 2), key("B\xE4r", 5, "x", 3),
        key("Baer", 5, "x", 4),          key("Ber", 7, "", 5),      key("Berlin", 5, "AB", 6),
        key("M\xFCller", -1, "\xFC", 7), key("Muller", -1, "u", 8), key("", 0, "", 9)};
    for (const TBytes& b : keys) {
        const TPreparedKey prepared(layout, b.data());
        for (const TBytes& a : keys) {
            for (size_t length = 0; length <= layout.KeyLength; ++length) {
                EXPECT_EQ(CompareKeys(layout, a.data(), prepared, length),
                          CompareKeys(layout, a.data(), b.data(), length))
                    << "length " << length;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, CompareKeysInBothOrders, testing::Values(uint16_t{0}, kGerman),
                         [](const testing::TestParamInfo<uint16_t>& info) {
                             return info.param == 0 ? std::string("NoLanguage") : std::string("German");
                         });

TEST(CompareKeys, DeletedRecordIndexComparesBytesNeverReversed) {
    TKeyLayout layout;
    layout.DeletedRecordIndex = true;
    layout.Descending = true;
    layout.Locale = Locale(kGerman);
    layout.KeyLength = kDeletedRecordKeyLength;
    const TBytes live = KeyOf(layout, TRecordImage(20, 7));
    const TBytes deleted = KeyOf(layout, TRecordImage(20, 3).Status(1));
    EXPECT_EQ(Order(layout, live, deleted), -1);
    EXPECT_EQ(Order(layout, KeyOf(layout, TRecordImage(20, 3)), live), -1);
}

}  // namespace
}  // namespace kartei
