#pragma once

#include <cstdint>
#include <optional>

namespace kartei {

class TCollator;

// A table's locale as its keys use it; a cursor resolves it once when it opens the table.
struct TKeyLocale {
    // 0: no locale, keys compare as unsigned bytes.
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    // The key collation; set whenever LanguageId is not 0.
    const TCollator* Collator = nullptr;
    // Lowest and highest character of the locale's character order map: the padding of string fields.
    uint8_t LowChar = 0x00;
    uint8_t HighChar = 0xFF;
};

// The key locale for a table's language and sort id; nullopt when no collation is available for them (the
// table must then not be opened).
std::optional<TKeyLocale> KeyLocaleFor(uint16_t languageId, uint16_t sortId);

}  // namespace kartei
