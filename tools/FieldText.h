#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/DateTime.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei::tools {

// Field values as the tool writes them (UTF-8): empty for null; strings converted from cp1252; integers in
// decimal; booleans "true"/"false"; floats in their shortest round-trip form; BCD with the field's decimal
// places; dates "YYYY-MM-DD", times "HH:MM:SS.mmm", date-times "YYYY-MM-DD HH:MM:SS.mmm"; bytes and every
// type without a conversion in lower-case hexadecimal. A blob field's text comes from its contents
// (BlobText), which the table reads.
std::string FieldText(std::span<const uint8_t> record, const TFieldDescriptor& field);

// The contents of a blob field: memo and formatted memo as text, every other blob in hexadecimal.
std::string BlobText(std::span<const uint8_t> contents, const TFieldDescriptor& field);

// Whether a blob field holds text (memo, formatted memo).
bool IsTextBlob(const TFieldDescriptor& field);

// A stored date-time value as "YYYY-MM-DD HH:MM:SS.mmm" (a day outside the calendar: the number as it is).
std::string DateTimeFieldText(TTimeStamp stamp);

std::string HexText(std::span<const uint8_t> bytes);

}  // namespace kartei::tools
