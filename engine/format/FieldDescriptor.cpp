#include "engine/format/FieldDescriptor.h"

#include <algorithm>

#include "engine/format/Bytes.h"
#include "engine/format/ShortString.h"

namespace kartei {
namespace {

constexpr size_t kNumberAt = 0;
constexpr size_t kNameAt = 2;
constexpr size_t kDescriptionAt = 33;
constexpr size_t kTypeAt = 84;
constexpr size_t kSubTypeAt = 85;
constexpr size_t kSizeAt = 86;
constexpr size_t kDecimalsAt = 87;
constexpr size_t kDataWidthAt = 88;
constexpr size_t kDecimalsCopyAt = 89;
constexpr size_t kOffsetAt = 90;
constexpr size_t kRequiredAt = 92;
constexpr size_t kCharCaseAt = 93;
constexpr size_t kMinValueAt = 94;
constexpr size_t kMaxValueAt = 145;
constexpr size_t kDefaultValueAt = 196;
constexpr size_t kNonStoredAt = 247;
constexpr size_t kReservedAt = 248;

static_assert(kReservedAt + kDescriptorReservedSize == kFieldDescriptorSize);

}  // namespace

TFieldDescriptor DecodeFieldDescriptor(std::span<const uint8_t, kFieldDescriptorSize> bytes) {
    const uint8_t* p = bytes.data();
    TFieldDescriptor field;
    field.FieldNumber = ReadI16(p + kNumberAt);
    field.Name = ReadShortString(p + kNameAt, kFieldNameCapacity);
    field.Description = ReadShortString(p + kDescriptionAt, kFieldDescriptionCapacity);
    field.FieldType = p[kTypeAt];
    field.SubType = p[kSubTypeAt];
    field.Size = p[kSizeAt];
    field.Decimals = p[kDecimalsAt];
    field.DataWidth = p[kDataWidthAt];
    field.DecimalsCopy = p[kDecimalsCopyAt];
    field.Offset = ReadU16(p + kOffsetAt);
    field.Required = p[kRequiredAt];
    field.CharCase = p[kCharCaseAt];
    field.MinValue = ReadShortString(p + kMinValueAt, kValueTextCapacity);
    field.MaxValue = ReadShortString(p + kMaxValueAt, kValueTextCapacity);
    field.DefaultValue = ReadShortString(p + kDefaultValueAt, kValueTextCapacity);
    field.NonStored = p[kNonStoredAt];
    std::copy_n(p + kReservedAt, kDescriptorReservedSize, field.Reserved.begin());
    return field;
}

void EncodeFieldDescriptor(const TFieldDescriptor& field, std::span<uint8_t, kFieldDescriptorSize> bytes) {
    uint8_t* p = bytes.data();
    WriteI16(p + kNumberAt, field.FieldNumber);
    WriteShortString(p + kNameAt, kFieldNameCapacity, field.Name);
    WriteShortString(p + kDescriptionAt, kFieldDescriptionCapacity, field.Description);
    p[kTypeAt] = field.FieldType;
    p[kSubTypeAt] = field.SubType;
    p[kSizeAt] = field.Size;
    p[kDecimalsAt] = field.Decimals;
    p[kDataWidthAt] = field.DataWidth;
    p[kDecimalsCopyAt] = field.DecimalsCopy;
    WriteU16(p + kOffsetAt, field.Offset);
    p[kRequiredAt] = field.Required;
    p[kCharCaseAt] = field.CharCase;
    WriteShortString(p + kMinValueAt, kValueTextCapacity, field.MinValue);
    WriteShortString(p + kMaxValueAt, kValueTextCapacity, field.MaxValue);
    WriteShortString(p + kDefaultValueAt, kValueTextCapacity, field.DefaultValue);
    p[kNonStoredAt] = field.NonStored;
    std::copy(field.Reserved.begin(), field.Reserved.end(), p + kReservedAt);
}

}  // namespace kartei
