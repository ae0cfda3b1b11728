#pragma once

#include <cstdint>
#include <string_view>

namespace kartei {

// A field's minimum, maximum and default texts hold values in the forms of base/ValueText.h. Keywords
// compare without regard to case; default texts may also hold the keywords DATE, TIME and NOW for the
// current moment.

enum class TValueKeyword { None, Date, Time, Now };

TValueKeyword ValueKeyword(std::string_view text);

// Whether a minimum, maximum or default text suits a field of the type. An empty text (no value) and
// any text of a string, byte or raw type is accepted.
bool IsValidValueText(uint8_t fieldType, std::string_view text);

}  // namespace kartei
