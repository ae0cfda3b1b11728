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

TFieldDescriptor TFieldDescriptor::Decode(std::span<const uint8_t, kFieldDescriptorSize> bytes) {
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

void TFieldDescriptor::Encode(std::span<uint8_t, kFieldDescriptorSize> bytes) const {
    uint8_t* p = bytes.data();
    WriteI16(p + kNumberAt, FieldNumber);
    WriteShortString(p + kNameAt, kFieldNameCapacity, Name);
    WriteShortString(p + kDescriptionAt, kFieldDescriptionCapacity, Description);
    p[kTypeAt] = FieldType;
    p[kSubTypeAt] = SubType;
    p[kSizeAt] = Size;
    p[kDecimalsAt] = Decimals;
    p[kDataWidthAt] = DataWidth;
    p[kDecimalsCopyAt] = DecimalsCopy;
    WriteU16(p + kOffsetAt, Offset);
    p[kRequiredAt] = Required;
    p[kCharCaseAt] = CharCase;
    WriteShortString(p + kMinValueAt, kValueTextCapacity, MinValue);
    WriteShortString(p + kMaxValueAt, kValueTextCapacity, MaxValue);
    WriteShortString(p + kDefaultValueAt, kValueTextCapacity, DefaultValue);
    p[kNonStoredAt] = NonStored;
    std::copy(Reserved.begin(), Reserved.end(), p + kReservedAt);
}

}  // namespace kartei
