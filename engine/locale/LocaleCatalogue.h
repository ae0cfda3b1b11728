#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kartei {

// One locale a table can be defined with.
struct TLocaleName {
    std::string_view Name;
    uint16_t LanguageId = 0;
};

constexpr size_t kLocaleCount = 98;

// The locales offered for table definition, in their fixed order; entry 0, "ANSI Standard", is language
// id 0 (no locale: bytes compare as they are).
const std::array<TLocaleName, kLocaleCount>& LocaleNames();

// The sort orders offered for a language id; a name's position is its sort id ("Default Order" = 0,
// "German Phone Book Order" = 1, offered for the German locales only).
std::vector<std::string> SortOrderNames(uint16_t languageId);

}  // namespace kartei
