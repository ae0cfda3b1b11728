#pragma once

#include <cstdint>
#include <span>

#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei {

// Field values between a record image and the framework's native form of the field type the engine type
// maps to (dataset/framework/Field.h): the two agree on every type but strings (the framework's form ends
// with a zero) and variable-length bytes (the framework's form begins with the length).

// Copies the value into `value` (the native form's size for the field); false when the field is null.
// A null `value` asks only for the null state.
bool ReadFieldValue(std::span<const uint8_t> record, const TFieldDescriptor& field, void* value);

// The native form as a value of the field's kind; null for a null `value`, and for a blob field, whose
// contents go through the blob file.
TFieldValue NativeFieldValue(const TFieldDescriptor& field, const void* value);

// Writes the native form, or null for a null `value`; a blob field keeps what it holds unless made null.
// Strings follow the table's locale for their case rule.
void WriteFieldValue(std::span<uint8_t> record, const TFieldDescriptor& field, const void* value,
                     uint16_t languageId, uint16_t sortId);

}  // namespace kartei
