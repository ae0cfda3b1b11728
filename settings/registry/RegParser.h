#pragma once

#include <string_view>

#include "settings/registry/RegDocument.h"

namespace settings {

// Reads the registry file's text (UTF-8, LF or CRLF line ends):
//   Windows Registry Editor Version 5.00      optional, first line only
//   ; a comment                               kept as it is, as are blank lines
//   [Software\Quolt\AreaCode]                 a key, relative to the current user's hive
//   "ShowHint"="TRUE"                         its values (see RegValueText.h); a value ending in "\"
//                                             continues on the next line
// Throws ESettingsError naming the file and the line of the first fault. A key or a value given twice
// is a fault: which one would count is not clear.
TRegDocument ParseRegDocument(std::string_view text, std::string_view fileName);

}  // namespace settings
