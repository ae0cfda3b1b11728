#include "engine/keys/KeyLocale.h"

#include "engine/locale/CharOrderMap.h"
#include "engine/locale/Collator.h"
#include "engine/locale/LocaleId.h"

namespace kartei {

std::optional<TKeyLocale> KeyLocaleFor(uint16_t languageId, uint16_t sortId) {
    TKeyLocale locale;
    locale.LanguageId = languageId;
    locale.SortId = sortId;
    if (languageId != 0) {
        locale.Collator = KeyCollator(MakeLocaleId(languageId, sortId));
        if (locale.Collator == nullptr) {
            return std::nullopt;
        }
    }
    const TCharOrderMap map = TLanguageCharMapsList::Instance().GetCharMap(languageId, sortId);
    locale.LowChar = map.front();
    locale.HighChar = map.back();
    return locale;
}

}  // namespace kartei
