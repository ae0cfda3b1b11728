#pragma once

#include <string>
#include <string_view>

namespace settings {

// The file writes the two string types in their hexadecimal form as UTF-16LE bytes, as the registry holds
// them; in memory they are UTF-8. Ill-formed input becomes U+FFFD; an odd last byte is dropped.

std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view text);

}  // namespace settings
