#include "engine/locale/LocaleId.h"

#include <unicode/uloc.h>

namespace kartei {
namespace {

constexpr uint16_t kGermanPrimaryLanguage = 0x07;
constexpr uint16_t kPhoneBookSortId = 1;

std::string NameForLcid(uint32_t localeId) {
    char name[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(localeId, name, sizeof name, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length <= 0) {
        return {};
    }
    return std::string(name, static_cast<size_t>(length));
}

}  // namespace

std::string IcuLocaleName(uint32_t localeId) {
    // ICU maps the phone-book sort of Germany only, and knows an Austrian phone book of its own that sorts
    // umlauts as letters; the catalogue offers the German phone book for every German locale.
    if (localeId >> 16 == kPhoneBookSortId && (localeId & 0x3FF) == kGermanPrimaryLanguage) {
        return "de_DE@collation=phonebook";
    }
    return NameForLcid(localeId);
}

}  // namespace kartei
