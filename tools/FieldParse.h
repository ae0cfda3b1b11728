#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/format/FieldDescriptor.h"

namespace kartei::tools {

// Reading field values from text (UTF-8), in the forms FieldText writes and ValueText.h reads: an empty
// text is null; strings must fit the declared size in Windows-1252; integers within their type's range;
// booleans true/false; floats as decimal numbers; BCD with at most four places; dates YYYY-MM-DD, times
// HH:MM:SS[.mmm], date-times "date time"; bytes as hexadecimal of at most the field's size. Nothing is
// silently cut or rounded away beyond what the field's type stores: a value that does not fit is
// EToolError (bad input) with a message saying why.

// EToolError (bad input) when the text is empty and the field requires a value (an auto-increment field is
// numbered by the table instead).
void CheckRequired(const TFieldDescriptor& field, std::string_view text);

// Stores the value of a field of any type but Blob into the record image (an auto-increment field: the
// record's auto-increment value). `languageId` and `sortId` are the table's, for the case rule of strings.
void StoreFieldText(std::span<uint8_t> record, const TFieldDescriptor& field, std::string_view text,
                    uint16_t languageId, uint16_t sortId);

// The contents of a blob field: memo text converted to Windows-1252, other blobs from hexadecimal.
std::vector<uint8_t> BlobContentsFromText(const TFieldDescriptor& field, std::string_view text);

}  // namespace kartei::tools
