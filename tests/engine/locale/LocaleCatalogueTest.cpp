#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/locale/LocaleCatalogue.h"

namespace kartei {
namespace {

TEST(LocaleCatalogue, HoldsTheLocalesInTheirFixedOrder) {
    const auto& locales = LocaleNames();
    ASSERT_EQ(locales.size(), 98u);
    EXPECT_EQ(locales[0].Name, "ANSI Standard");
    EXPECT_EQ(locales[0].LanguageId, 0);
    EXPECT_EQ(locales[16].Name, "Arabic (U.A.E)");
    EXPECT_EQ(locales[16].LanguageId, 0x3801);
    EXPECT_EQ(locales[28].Name, "English (USA)");
    EXPECT_EQ(locales[28].LanguageId, 0x0409);
    EXPECT_EQ(locales[48].Name, "German (Standard)");
    EXPECT_EQ(locales[48].LanguageId, 0x0407);
    EXPECT_EQ(locales[52].Name, "German (Liechtenstein)");
    EXPECT_EQ(locales[52].LanguageId, 0x1407);
    EXPECT_EQ(locales[65].Name, "Portuguese (Standard)");
    EXPECT_EQ(locales[65].LanguageId, 0x0816);
    EXPECT_EQ(locales[79].Name, "Spanish (Dominican Republic)");
    EXPECT_EQ(locales[79].LanguageId, 0x1C0A);
    EXPECT_EQ(locales[97].Name, "Ukranian");
    EXPECT_EQ(locales[97].LanguageId, 0x0422);
}

TEST(LocaleCatalogue, NamesAndIdsAreDistinct) {
    std::set<std::string_view> names;
    std::set<uint16_t> ids;
    for (const TLocaleName& locale : LocaleNames()) {
        names.insert(locale.Name);
        ids.insert(locale.LanguageId);
    }
    EXPECT_EQ(names.size(), 98u);
    EXPECT_EQ(ids.size(), 98u);
}

TEST(SortOrders, GermanLocalesOfferThePhoneBookOrder) {
    const std::vector<std::string> german = {"Default Order", "German Phone Book Order"};
    for (uint16_t languageId : {0x0407, 0x0807, 0x0C07, 0x1007, 0x1407}) {
        EXPECT_EQ(SortOrderNames(static_cast<uint16_t>(languageId)), german) << languageId;
    }
}

TEST(SortOrders, EveryOtherLanguageOffersTheDefaultOrderAlone) {
    const std::vector<std::string> single = {"Default Order"};
    EXPECT_EQ(SortOrderNames(0), single);
    EXPECT_EQ(SortOrderNames(0x0409), single);
    EXPECT_EQ(SortOrderNames(0x0408), single);  // Greek, right after the German block
    EXPECT_EQ(SortOrderNames(0x100C), single);  // French (Swiss), right before it
    EXPECT_EQ(SortOrderNames(0x0007), single);  // neutral German is not in the catalogue
}

}  // namespace
}  // namespace kartei
