#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace kartei {

// The engine's field type codes. 0 is invalid; codes without a name here are stored as raw bytes of the
// declared size.
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

// Subtype codes: they refine a type without changing its storage.
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

// Character case of a string field.
namespace CharCase {
constexpr uint8_t AsEntered = 0;
constexpr uint8_t Lower = 1;
constexpr uint8_t Upper = 2;
}  // namespace CharCase

// Largest declared size of a String, Bytes or VarBytes field.
constexpr uint8_t kMaxDeclaredSize = 250;

constexpr bool IsAutoIncrementType(uint8_t type, uint8_t subtype) {
    return type == FieldType::Integer && subtype == FieldSubtype::AutoIncrement;
}

// Bytes 248..767 of a stored field descriptor, which the engine keeps without reading them.
constexpr size_t kDescriptorReservedSize = 520;

// One field of a table as its data file describes it (doc/file-format.md gives the bytes at the offsets
// noted). Texts are cp1252 bytes.
struct TFieldDescriptor {
    int16_t FieldNumber = 0;   // 0: 1-based position of the descriptor
    std::string Name;          // 2: at most 30 characters
    std::string Description;   // 33: at most 50 characters
    uint8_t FieldType = 0;     // 84: FieldType code
    uint8_t SubType = 0;       // 85: FieldSubtype code
    uint8_t Size = 0;          // 86: declared size (String, Bytes, VarBytes), else 0
    uint8_t Decimals = 0;      // 87: decimal places (BCD only)
    uint8_t DataWidth = 0;     // 88: bytes of the stored value
    uint8_t DecimalsCopy = 0;  // 89: copy of Decimals
    uint16_t Offset = 0;       // 90: record offset of the null flag (auto-increment: of the value, 5)
    uint8_t Required = 0;      // 92: non-zero = a value must be provided
    uint8_t CharCase = 0;      // 93: CharCase rule of a string field
    std::string MinValue;      // 94: at most 50 characters, empty = none
    std::string MaxValue;      // 145
    std::string DefaultValue;  // 196; "DATE", "TIME" and "NOW" stand for the current moment
    uint8_t NonStored = 0;     // 247: non-zero = no room in the record
    std::array<uint8_t, kDescriptorReservedSize> Reserved{};  // 248: kept as read, not interpreted

    // A field as a table definition asks for it; the rest is worked out when the table is created.
    static TFieldDescriptor Define(std::string name, uint8_t type, uint8_t size = 0, uint8_t subtype = 0) {
        TFieldDescriptor field;
        field.Name = std::move(name);
        field.FieldType = type;
        field.Size = size;
        field.SubType = subtype;
        return field;
    }

    bool IsAutoIncrement() const { return IsAutoIncrementType(FieldType, SubType); }
    // Whether the field has a null flag and value of its own in the record.
    bool IsStored() const { return !IsAutoIncrement() && NonStored == 0; }
};

}  // namespace kartei
