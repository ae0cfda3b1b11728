#include "engine/locale/InstalledLocale.h"

#include <unicode/uloc.h>

#include <string>

#include "engine/locale/Collator.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

std::string LanguageOf(const char* localeName) {
    char language[ULOC_LANG_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLanguage(localeName, language, sizeof language, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) {
        return {};
    }
    return std::string(language, static_cast<size_t>(length));
}

bool HasLocaleData(const std::string& language) {
    const int32_t count = uloc_countAvailable();
    for (int32_t k = 0; k < count; ++k) {
        if (LanguageOf(uloc_getAvailable(k)) == language) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsLocaleInstalled(uint32_t localeId) {
    if ((localeId & 0xFFFF) == 0) {
        return true;
    }
    const std::string name = IcuLocaleName(localeId);
    if (name.empty()) {
        return false;
    }
    // For a sort it does not know, ICU falls back to the language's default order: not the order asked for.
    if (localeId >> 16 != 0 && name.find("@collation=") == std::string::npos) {
        return false;
    }
    const std::string language = LanguageOf(name.c_str());
    return !language.empty() && HasLocaleData(language) && KeyCollator(localeId) != nullptr;
}

}  // namespace kartei
