#include "engine/table/FieldNames.h"

#include <algorithm>
#include <array>

#include "base/TextHelpers.h"
#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexNames.h"
#include "engine/locale/CaseMap.h"

namespace kartei {

bool IsValidFieldName(std::string_view name, uint16_t languageId, uint16_t sortId) {
    if (name.empty() || name.size() > kFieldNameCapacity) {
        return false;
    }
    std::array<char, kFieldNameCapacity> upper{};
    std::copy(name.begin(), name.end(), upper.begin());
    UpperCaseInPlace(upper.data(), name.size(), languageId, sortId);
    // Fields and indexes follow one naming rule.
    return IsValidIndexNameStart(std::string_view(upper.data(), name.size()));
}

bool SameFieldName(std::string_view a, std::string_view b) {
    return EqualsIgnoreAsciiCase(TrimBlanks(a), TrimBlanks(b));
}

}  // namespace kartei
