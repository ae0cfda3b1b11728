#include <gtest/gtest.h>

#include <string>

#include "engine/locale/CaseMap.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

std::string Upper(std::string text, uint16_t languageId, uint16_t sortId = 0) {
    UpperCaseInPlace(text.data(), text.size(), languageId, sortId);
    return text;
}

std::string Lower(std::string text, uint16_t languageId, uint16_t sortId = 0) {
    LowerCaseInPlace(text.data(), text.size(), languageId, sortId);
    return text;
}

TEST(CaseMap, CasesUmlautsOneByteToOne) {
    EXPECT_EQ(Upper("m\xFCnchen", 0x0407), "M\xDCNCHEN");
    EXPECT_EQ(Lower("\xC4RZTE", 0x0407, 1), "\xE4rzte");
}

TEST(CaseMap, SharpSKeepsItsByteAndTheLength) {
    // Upper-casing ß gives "SS", two characters: the byte stays.
    EXPECT_EQ(Upper("stra\xDF"
                    "e",
                    0x0407),
              "STRA\xDF"
              "E");
}

TEST(CaseMap, NoLanguageCasesAsEnglish) {
    EXPECT_EQ(Upper("berlin \xE9t\xE9", 0), "BERLIN \xC9T\xC9");
    EXPECT_EQ(Lower("\x8A", 0), "\x9A");  // Š -> š from the code page's high range
}

TEST(CaseMap, TurkishDottedCapitalIsNotInTheCodePage) {
    // Turkish i upper-cases to İ (U+0130), which cp1252 cannot hold: the byte stays.
    EXPECT_EQ(Upper("i", 0x041F), "i");
    EXPECT_EQ(Upper("i", 0x0409), "I");
}

TEST(LocaleId, GermanPhoneBookSortSelectsThePhonebookCollation) {
    EXPECT_EQ(MakeLocaleId(0x0407, 1), 0x10407u);
    EXPECT_EQ(IcuLocaleName(MakeLocaleId(0x0407, 1)), "de_DE@collation=phonebook");
    EXPECT_EQ(IcuLocaleName(0x0407), "de_DE");
}

}  // namespace
}  // namespace kartei
