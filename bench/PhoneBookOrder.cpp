#include "bench/PhoneBookOrder.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "engine/locale/LocaleId.h"

namespace kartei::bench {

TPhoneBookOrder::TPhoneBookOrder() {
    const std::string name = IcuLocaleName(MakeLocaleId(0x0407, 1));
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(name.c_str(), &status);
    ucol_setStrength(collator_, UCOL_PRIMARY);
    ucol_setAttribute(collator_, UCOL_CASE_LEVEL, UCOL_ON, &status);
    ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        throw std::runtime_error("ICU has no collation for " + name);
    }
}

TPhoneBookOrder::~TPhoneBookOrder() {
    ucol_close(collator_);
}

int TPhoneBookOrder::Compare(const char* a, size_t aLength, const char* b, size_t bLength) const {
    // Identical text collates equal without ICU, as the engine's comparison does.
    if (aLength == bLength && std::equal(a, a + aLength, b)) {
        return 0;
    }
    UErrorCode status = U_ZERO_ERROR;
    return static_cast<int>(ucol_strcollUTF8(collator_, a, static_cast<int32_t>(aLength), b,
                                             static_cast<int32_t>(bLength), &status));
}

std::string TPhoneBookOrder::SortKey(std::string_view text) const {
    std::vector<UChar> wide(text.size() + 1);
    int32_t wideLength = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wideLength, text.data(),
                  static_cast<int32_t>(text.size()), &status);
    uint8_t key[1024];
    const int32_t length = ucol_getSortKey(collator_, wide.data(), wideLength, key, sizeof key);
    return std::string(reinterpret_cast<const char*>(key), static_cast<size_t>(std::max(length, 1) - 1));
}

const TPhoneBookOrder& PhoneBookOrder() {
    static const TPhoneBookOrder order;
    return order;
}

}  // namespace kartei::bench
