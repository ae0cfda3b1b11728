#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kartei {

// Table text is single-byte Windows-1252; these convert it at the edges (ICU, the command line, the UI).
// The five bytes the code page leaves undefined map to the C1 control with the same number, as the
// platform's own conversion does, so every byte survives a round trip.

char16_t Cp1252ToUnicode(uint8_t byte);

// The byte for a code point, or -1 when the code page has none.
int UnicodeToCp1252(char32_t codePoint);

// Converts into a caller's buffer of at least `length` units; returns the number written.
size_t Cp1252ToUtf16(const char* text, size_t length, char16_t* out);

std::string Cp1252ToUtf8(std::string_view text);

// Characters the code page cannot hold become '?'; `lossless` (when given) tells whether any did.
std::string Utf8ToCp1252(std::string_view text, bool* lossless = nullptr);

}  // namespace kartei
