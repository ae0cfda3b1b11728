#pragma once

#include <cstdint>

#include "kartei/Field.h"

namespace kartei {

// True for the types whose storage is given by the declared size (String, Bytes, VarBytes); every other
// type has declared size 0.
constexpr bool HasDeclaredSize(uint8_t type) {
    return type == FieldType::String || type == FieldType::Bytes || type == FieldType::VarBytes;
}

// Bytes of the stored value (without the null flag). A String of declared size 255 gives 256, which no
// descriptor byte can hold; verification rejects such a field.
uint16_t FieldDataWidth(uint8_t type, uint8_t declaredSize);

}  // namespace kartei
