#pragma once

#include <string>
#include <string_view>

namespace settings {

// Key and value names compare as the registry compares them: without regard to case (Unicode case
// folding, one character at a time). A key path is its key names joined by backslashes.

bool RegNamesEqual(std::string_view a, std::string_view b);

// True when the key path lies strictly below the ancestor path.
bool RegPathIsBelow(std::string_view path, std::string_view ancestor);

// A key path the file can hold: non-empty names separated by single backslashes, no control characters.
bool IsValidRegKeyPath(std::string_view path);

// The path of a subkey given relative to a key (the hive's root has the empty path).
std::string JoinRegKeyPath(std::string_view parent, std::string_view subPath);

}  // namespace settings
