#include "settings/UserCollator.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace settings {
namespace {

// ICU stands in "en_US_POSIX" for the C and POSIX locales, whose order is by code, capitals first; they
// name no language, so the root order serves.
const char* UserLocale() {
    const char* locale = uloc_getDefault();
    return std::strcmp(locale, "en_US_POSIX") == 0 ? "" : locale;
}

}  // namespace

void TUserCollator::TClose::operator()(UCollator* collator) const {
    ucol_close(collator);
}

TUserCollator::TUserCollator() {
    UErrorCode status = U_ZERO_ERROR;
    collator_.reset(ucol_open(UserLocale(), &status));
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("no collator for the user's locale: ") + u_errorName(status));
    }
    // Secondary strength: letters and accents count, case does not.
    ucol_setStrength(collator_.get(), UCOL_SECONDARY);
}

int TUserCollator::Compare(std::string_view a, std::string_view b) const {
    UErrorCode status = U_ZERO_ERROR;
    return ucol_strcollUTF8(collator_.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                            static_cast<int32_t>(b.size()), &status);
}

}  // namespace settings
