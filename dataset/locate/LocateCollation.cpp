#include "dataset/locate/LocateCollation.h"

#include <unicode/ucol.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "engine/locale/CaseMap.h"
#include "engine/locale/Cp1252.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

struct TCollatorClose {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};
using TCollatorHandle = std::unique_ptr<UCollator, TCollatorClose>;

// One collator per locale and case rule, opened on first use and kept; none when ICU lacks the locale.
const UCollator* LocateCollator(uint32_t localeId, bool caseInsensitive) {
    static std::mutex lock;
    static std::map<std::pair<uint32_t, bool>, TCollatorHandle> collators;
    const std::lock_guard guard(lock);
    const auto key = std::make_pair(localeId, caseInsensitive);
    const auto found = collators.find(key);
    if (found != collators.end()) {
        return found->second.get();
    }
    TCollatorHandle collator;
    const std::string name = IcuLocaleName(localeId);
    UErrorCode status = U_ZERO_ERROR;
    if (!name.empty()) {
        collator.reset(ucol_open(name.c_str(), &status));
    }
    if (collator && U_SUCCESS(status)) {
        ucol_setStrength(collator.get(), UCOL_PRIMARY);
        ucol_setAttribute(collator.get(), UCOL_CASE_LEVEL, caseInsensitive ? UCOL_OFF : UCOL_ON, &status);
        ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    } else {
        collator.reset();
    }
    return collators.emplace(key, std::move(collator)).first->second.get();
}

void ToUtf16(std::string_view text, std::u16string& out) {
    out.resize(text.size());
    out.resize(Cp1252ToUtf16(text.data(), text.size(), out.data()));
}

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

bool LocateTextsEqual(std::string_view a, std::string_view b, uint16_t languageId, uint16_t sortId,
                      bool caseInsensitive) {
    const UCollator* collator =
        languageId != 0 ? LocateCollator(MakeLocaleId(languageId, sortId), caseInsensitive) : nullptr;
    if (!collator) {
        return BytesEqual(a, b, caseInsensitive);
    }
    // Buffers kept per thread: comparing allocates only when a longer text than before comes along.
    thread_local std::u16string wideA;
    thread_local std::u16string wideB;
    ToUtf16(a, wideA);
    ToUtf16(b, wideB);
    return ucol_strcoll(collator, wideA.data(), static_cast<int32_t>(wideA.size()), wideB.data(),
                        static_cast<int32_t>(wideB.size())) == UCOL_EQUAL;
}

}  // namespace kartei
