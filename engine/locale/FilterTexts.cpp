#include "engine/locale/FilterTexts.h"

#include <string>

#include "engine/locale/CaseMap.h"
#include "engine/locale/Collator.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

bool BytesEqual(std::string_view a, std::string_view b, bool caseInsensitive) {
    if (!caseInsensitive) {
        return a == b;
    }
    thread_local std::string upperA;
    thread_local std::string upperB;
    upperA.assign(a);
    upperB.assign(b);
    UpperCaseInPlace(upperA.data(), upperA.size(), 0, 0);
    UpperCaseInPlace(upperB.data(), upperB.size(), 0, 0);
    return upperA == upperB;
}

}  // namespace

bool FilterTextsEqual(std::string_view a, std::string_view b, uint16_t languageId, uint16_t sortId,
                      bool caseInsensitive) {
    const TCollationStrength strength =
        caseInsensitive ? TCollationStrength::Letters : TCollationStrength::Key;
    const TCollator* collator =
        languageId != 0 ? LocaleCollator(MakeLocaleId(languageId, sortId), strength) : nullptr;
    if (collator == nullptr) {
        return BytesEqual(a, b, caseInsensitive);
    }
    return collator->Compare(reinterpret_cast<const uint8_t*>(a.data()), a.size(),
                             reinterpret_cast<const uint8_t*>(b.data()), b.size()) == 0;
}

}  // namespace kartei
