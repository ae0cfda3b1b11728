#pragma once

#include <cstdint>
#include <string_view>

namespace kartei {

// A field name, upper-cased in the table's locale, is 1 to 30 characters long and begins with a letter,
// "_" or a byte 129 to 254.
bool IsValidFieldName(std::string_view name, uint16_t languageId, uint16_t sortId);

// Field names compare trimmed and without regard to case.
bool SameFieldName(std::string_view a, std::string_view b);

}  // namespace kartei
