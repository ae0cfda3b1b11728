#pragma once

#include <cstdint>

namespace kartei {

// Engine field type codes (descriptor byte 84). 0 is invalid; codes without a name here are stored as
// raw bytes of the declared size.
namespace FieldType {
constexpr uint8_t String = 1;
constexpr uint8_t Date = 2;
constexpr uint8_t Blob = 3;
constexpr uint8_t Boolean = 4;
constexpr uint8_t SmallInt = 5;
constexpr uint8_t Integer = 6;
constexpr uint8_t Float = 7;
constexpr uint8_t Bcd = 8;
constexpr uint8_t Bytes = 9;
constexpr uint8_t Time = 10;
constexpr uint8_t DateTime = 11;
constexpr uint8_t Word = 12;
constexpr uint8_t Raw4 = 13;   // four raw bytes, no conversion
constexpr uint8_t Raw10 = 14;  // ten raw bytes, no conversion
constexpr uint8_t VarBytes = 15;
// Codes the dataset layer gives field kinds the engine stores as raw bytes.
constexpr uint8_t Cursor = 17;
constexpr uint8_t LargeInt = 18;
constexpr uint8_t Adt = 20;
constexpr uint8_t Array = 21;
constexpr uint8_t Reference = 22;
constexpr uint8_t DataSet = 23;
}  // namespace FieldType

// Subtype codes (descriptor byte 85): they refine a type without changing its storage.
namespace FieldSubtype {
constexpr uint8_t None = 0;
constexpr uint8_t Currency = 21;       // with Float
constexpr uint8_t Memo = 22;           // with Blob
constexpr uint8_t FormattedMemo = 24;  // with Blob
constexpr uint8_t Graphic = 26;        // with Blob
constexpr uint8_t TypedBinary = 28;    // with Blob
constexpr uint8_t AutoIncrement = 29;  // with Integer
constexpr uint8_t FixedChar = 31;      // with String
constexpr uint8_t WideString = 32;     // with String
}  // namespace FieldSubtype

// Largest declared size of a String, Bytes or VarBytes field.
constexpr uint8_t kMaxDeclaredSize = 250;

// True for the types whose storage is given by the declared size (String, Bytes, VarBytes); every other
// type has declared size 0.
constexpr bool HasDeclaredSize(uint8_t type) {
    return type == FieldType::String || type == FieldType::Bytes || type == FieldType::VarBytes;
}

constexpr bool IsAutoIncrementType(uint8_t type, uint8_t subtype) {
    return type == FieldType::Integer && subtype == FieldSubtype::AutoIncrement;
}

// Bytes of the stored value (without the null flag). A String of declared size 255 gives 256, which no
// descriptor byte can hold; verification rejects such a field.
uint16_t FieldDataWidth(uint8_t type, uint8_t declaredSize);

}  // namespace kartei
