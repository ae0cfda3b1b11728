#pragma once

#include <string_view>
#include <vector>

namespace kartei {

// Names of fields, indexes, sessions and databases compare without regard to case: the letters of the
// single-byte (cp1252) code page, accented ones included, match their other case.
bool SameName(std::string_view a, std::string_view b);

// The names of a ";"-separated list, each without surrounding blanks. An empty text holds no name; a
// ";" at the very end ends the list without adding an empty name ("a;" is one name, "a;;b" three).
std::vector<std::string_view> SplitNames(std::string_view list);

// Whether the name list `list` begins with the list `leading` followed by ";" (names without regard to
// case): "City;id" begins with "city".
bool NameListStartsWith(std::string_view list, std::string_view leading);

}  // namespace kartei
