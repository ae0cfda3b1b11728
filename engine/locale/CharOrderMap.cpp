#include "engine/locale/CharOrderMap.h"

#include <algorithm>
#include <numeric>

#include "engine/locale/Collator.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

// The order of one-character strings under the locale's full collation (accents and case count). A locale
// ICU does not know keeps the byte order.
TCharOrderMap BuildCharMap(uint16_t languageId, uint16_t sortId) {
    TCharOrderMap map;
    std::iota(map.begin(), map.end(), 0);
    if (languageId == 0) {
        return map;
    }
    const TCollator collator(MakeLocaleId(languageId, sortId), TCollationStrength::Full);
    if (collator.IsOpen()) {
        std::stable_sort(map.begin(), map.end(),
                         [&collator](uint8_t a, uint8_t b) { return collator.Compare(&a, 1, &b, 1) < 0; });
    }
    return map;
}

}  // namespace

TLanguageCharMapsList& TLanguageCharMapsList::Instance() {
    static TLanguageCharMapsList list;
    return list;
}

TCharOrderMap TLanguageCharMapsList::GetCharMap(uint16_t languageId, uint16_t sortId) {
    std::lock_guard guard(lock_);
    for (const TEntry& entry : entries_) {
        if (entry.LanguageId == languageId && entry.SortId == sortId) {
            return entry.Map;
        }
    }
    entries_.push_back(TEntry{languageId, sortId, BuildCharMap(languageId, sortId)});
    return entries_.back().Map;
}

size_t TLanguageCharMapsList::BuildCount() const {
    std::lock_guard guard(lock_);
    return entries_.size();
}

}  // namespace kartei
