#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "engine/format/FieldTypes.h"

namespace kartei {

constexpr size_t kFieldDescriptorSize = 768;
constexpr size_t kFieldNameCapacity = 30;
constexpr size_t kFieldDescriptionCapacity = 50;
constexpr size_t kValueTextCapacity = 50;
constexpr size_t kDescriptorReservedSize = 520;

// Character case of a string field (descriptor byte 93).
namespace CharCase {
constexpr uint8_t AsEntered = 0;
constexpr uint8_t Lower = 1;
constexpr uint8_t Upper = 2;
}  // namespace CharCase

// One field descriptor of the data file (768 bytes), every field as stored. Texts are cp1252 bytes.
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

    // Texts longer than their capacity are cut when encoded.
    static TFieldDescriptor Decode(std::span<const uint8_t, kFieldDescriptorSize> bytes);
    void Encode(std::span<uint8_t, kFieldDescriptorSize> bytes) const;

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
