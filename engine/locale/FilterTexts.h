#pragma once

#include <cstdint>
#include <string_view>

namespace kartei {

// Whether two single-byte (cp1252) texts are equal as a filter compares them under a table's locale:
// with a language id, by the locale's string sort ignoring accents and other non-spacing marks (and case when
// asked); without one, byte by byte, both upper-cased by English (USA) rules when case does not count.
// Callers cut both texts to a partial length first when they compare only a leading part.
bool FilterTextsEqual(std::string_view a, std::string_view b, uint16_t languageId, uint16_t sortId,
                      bool caseInsensitive);

}  // namespace kartei
