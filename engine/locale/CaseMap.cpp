#include "engine/locale/CaseMap.h"

#include <unicode/ustring.h>

#include <array>
#include <map>
#include <mutex>
#include <string>

#include "base/Cp1252.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

using TByteMap = std::array<uint8_t, 256>;

struct TCaseTables {
    TByteMap Upper;
    TByteMap Lower;
};

using TCaseFunction = int32_t (*)(UChar*, int32_t, const UChar*, int32_t, const char*, UErrorCode*);

TByteMap BuildTable(const std::string& locale, TCaseFunction caseFunction) {
    TByteMap table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[byte] = static_cast<uint8_t>(byte);
        const UChar source = Cp1252ToUnicode(static_cast<uint8_t>(byte));
        UChar mapped[4];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = caseFunction(mapped, 4, &source, 1, locale.c_str(), &status);
        if (U_SUCCESS(status) && length == 1) {
            const int target = UnicodeToCp1252(mapped[0]);
            if (target >= 0) {
                table[byte] = static_cast<uint8_t>(target);
            }
        }
    }
    return table;
}

// Built once per locale and never freed: the engine uses a handful of locales at most.
const TCaseTables& TablesFor(uint16_t languageId, uint16_t sortId) {
    static std::mutex lock;
    static std::map<uint32_t, TCaseTables> cache;
    const uint32_t localeId = MakeLocaleId(languageId == 0 ? kCaseLanguageFallback : languageId, sortId);
    std::lock_guard guard(lock);
    auto it = cache.find(localeId);
    if (it == cache.end()) {
        const std::string locale = IcuLocaleName(localeId);
        it = cache
                 .emplace(localeId,
                          TCaseTables{BuildTable(locale, u_strToUpper), BuildTable(locale, u_strToLower)})
                 .first;
    }
    return it->second;
}

void Apply(const TByteMap& table, char* text, size_t length) {
    for (size_t k = 0; k < length; ++k) {
        text[k] = static_cast<char>(table[static_cast<uint8_t>(text[k])]);
    }
}

}  // namespace

void UpperCaseInPlace(char* text, size_t length, uint16_t languageId, uint16_t sortId) {
    Apply(TablesFor(languageId, sortId).Upper, text, length);
}

void LowerCaseInPlace(char* text, size_t length, uint16_t languageId, uint16_t sortId) {
    Apply(TablesFor(languageId, sortId).Lower, text, length);
}

}  // namespace kartei
