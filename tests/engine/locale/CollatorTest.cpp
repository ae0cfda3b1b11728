#include <gtest/gtest.h>

#include <string_view>

#include "engine/locale/Collator.h"
#include "engine/locale/InstalledLocale.h"
#include "engine/locale/LocaleCatalogue.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

constexpr uint32_t kGerman = 0x0407;
constexpr uint32_t kGermanPhoneBook = 0x10407;

int Collate(uint32_t localeId, std::string_view a, std::string_view b) {
    const TCollator* collator = KeyCollator(localeId);
    EXPECT_NE(collator, nullptr);
    return collator->Compare(reinterpret_cast<const uint8_t*>(a.data()), a.size(),
                             reinterpret_cast<const uint8_t*>(b.data()), b.size());
}

TEST(KeyCollation, GermanSortsUmlautsWithTheirBaseLetter) {
    // Zürich ~ Zurich under German, and u comes before w.
    EXPECT_EQ(Collate(kGerman, "Z\xFCrich", "Zwickau"), -1);
    EXPECT_EQ(Collate(kGerman, "Zwickau", "Z\xFCrich"), 1);
}

TEST(KeyCollation, AccentsAreIgnoredButCaseCounts) {
    EXPECT_EQ(Collate(kGerman, "Muller", "M\xFCller"), 0);
    EXPECT_EQ(Collate(kGerman, "Cafe", "Caf\xE9"), 0);
    // Case level: lower case before upper case.
    EXPECT_EQ(Collate(kGerman, "berlin", "Berlin"), -1);
    EXPECT_EQ(Collate(kGerman, "BERLIN", "Berlin"), 1);
    // A letter difference outweighs a case difference earlier in the word.
    EXPECT_EQ(Collate(kGerman, "Berlin", "bremen"), -1);
}

TEST(KeyCollation, PunctuationIsAnOrdinaryCharacter) {
    // Ignorable punctuation would make these equal; as characters, hyphen and blank sort before letters.
    EXPECT_EQ(Collate(kGerman, "a-b", "ab"), -1);
    EXPECT_EQ(Collate(kGerman, "Bad Homburg", "Bad-Homburg"), -1);
    EXPECT_NE(Collate(kGerman, "Bad Homburg", "BadHomburg"), 0);
}

TEST(KeyCollation, AProperPrefixSortsFirstAndTextEndsAtItsFirstZeroByte) {
    EXPECT_EQ(Collate(kGerman, "Ber", "Berlin"), -1);
    EXPECT_EQ(Collate(kGerman, "Berlin", "Ber"), 1);
    // Zero-padded value areas: the padding is not text.
    EXPECT_EQ(Collate(kGerman, std::string_view("Ber\0\0\0\0", 7), "Ber"), 0);
    EXPECT_EQ(Collate(kGerman, std::string_view("Ber\0\0\0\0", 7), std::string_view("Berlin\0", 7)), -1);
    EXPECT_EQ(Collate(kGerman, std::string_view("Ber\0lin", 7), "Ber"), 0);
    // The length limits the text as well: the first three characters of Berlin and of Bern are Ber.
    EXPECT_EQ(Collate(kGerman, "Berlin", "Bern"), -1);
    const TCollator* collator = KeyCollator(kGerman);
    const auto* berlin = reinterpret_cast<const uint8_t*>("Berlin");
    const auto* bern = reinterpret_cast<const uint8_t*>("Bern");
    EXPECT_EQ(collator->Compare(berlin, 3, bern, 3), 0);
}

TEST(KeyCollation, PhoneBookOrderReadsUmlautsAsVowelPlusE) {
    // ü = ue: Müller is Mueller, and Müll reads Muell.
    EXPECT_EQ(Collate(kGermanPhoneBook, "M\xFCller", "Mueller"), 0);
    EXPECT_EQ(Collate(kGermanPhoneBook, "M\xFCll", "Muel"), 1);
    EXPECT_EQ(Collate(kGermanPhoneBook, "M\xFCll", "Muem"), -1);
    EXPECT_EQ(Collate(kGermanPhoneBook, "M\xFCller", "Mufti"), -1);
    // The default order reads ü as u: Müll is Mull, after Muem and Mufti.
    EXPECT_EQ(Collate(kGerman, "M\xFCll", "Muem"), 1);
    EXPECT_EQ(Collate(kGerman, "M\xFCller", "Mufti"), 1);
    EXPECT_EQ(Collate(kGerman, "M\xFCller", "Mueller"), 1);
}

TEST(KeyCollation, EveryGermanLocaleOffersThePhoneBookOrder) {
    EXPECT_EQ(IcuLocaleName(0x10807), "de_DE@collation=phonebook");
    EXPECT_EQ(Collate(0x10807, "M\xFCller", "Mueller"), 0);
    // Not ICU's Austrian phone book, which sorts umlauts as letters of their own.
    EXPECT_EQ(Collate(0x10C07, "M\xFCller", "Mueller"), 0);
    EXPECT_EQ(Collate(0x0C07, "M\xFCller", "Mueller"), 1);
}

TEST(KeyCollation, UnknownLocaleHasNoCollator) {
    EXPECT_EQ(KeyCollator(0x0FFF), nullptr);
}

TEST(InstalledLocale, EveryCatalogueLocaleIsInstalled) {
    for (const TLocaleName& locale : LocaleNames()) {
        EXPECT_TRUE(IsLocaleInstalled(locale.LanguageId)) << locale.Name;
    }
    EXPECT_TRUE(IsLocaleInstalled(kGermanPhoneBook));
    EXPECT_TRUE(IsLocaleInstalled(MakeLocaleId(0x1407, 1)));
}

TEST(InstalledLocale, UnknownLanguageOrSortIsNotInstalled) {
    EXPECT_FALSE(IsLocaleInstalled(0x0FFF));
    EXPECT_FALSE(IsLocaleInstalled(0x03FF));
    // English has no phone-book order; ICU would quietly fall back to the default one.
    EXPECT_FALSE(IsLocaleInstalled(MakeLocaleId(0x0409, 1)));
    EXPECT_FALSE(IsLocaleInstalled(MakeLocaleId(0x0407, 7)));
}

}  // namespace
}  // namespace kartei
