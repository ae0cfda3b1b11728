#pragma once

#include <cstdint>
#include <string>

namespace kartei {

// A table's locale: language id (0 = none, bytes compare as they are) and sort id.
constexpr uint32_t MakeLocaleId(uint16_t languageId, uint16_t sortId) {
    return (static_cast<uint32_t>(sortId) << 16) | languageId;
}

// Casing of a table without a language uses English (USA).
constexpr uint16_t kCaseLanguageFallback = 0x0409;

// The ICU locale name for a Windows locale id ("de_DE@collation=phonebook" for German, sort id 1);
// empty when ICU knows no such locale.
std::string IcuLocaleName(uint32_t localeId);

}  // namespace kartei
