#pragma once

#include <string_view>

#include "base/TextHelpers.h"

namespace kartei {

// A secondary index name, trimmed, begins with a letter, "_" or a byte 129 to 254.
inline bool IsValidIndexNameStart(std::string_view trimmedName) {
    if (trimmedName.empty()) {
        return false;
    }
    const unsigned char first = static_cast<unsigned char>(trimmedName.front());
    return (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_' ||
           (first >= 129 && first <= 254);
}

// Index names compare trimmed and without regard to case.
inline bool SameIndexName(std::string_view a, std::string_view b) {
    return EqualsIgnoreAsciiCase(TrimBlanks(a), TrimBlanks(b));
}

}  // namespace kartei
