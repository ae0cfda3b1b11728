#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// Locale casing of single-byte (cp1252) text. One byte maps to one byte, so a string keeps its
// length: a character whose cased form is not a single cp1252 character keeps its byte (ß stays ß).
// Language id 0 cases as English (USA).
void UpperCaseInPlace(char* text, size_t length, uint16_t languageId, uint16_t sortId);
void LowerCaseInPlace(char* text, size_t length, uint16_t languageId, uint16_t sortId);

}  // namespace kartei
