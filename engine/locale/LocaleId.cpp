#include "engine/locale/LocaleId.h"

#include <unicode/uloc.h>

namespace kartei {

std::string IcuLocaleName(uint32_t localeId) {
    char name[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(localeId, name, sizeof name, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length <= 0) {
        return {};
    }
    return std::string(name, static_cast<size_t>(length));
}

}  // namespace kartei
