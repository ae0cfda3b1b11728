#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "kartei/Field.h"

namespace kartei {

constexpr size_t kFieldDescriptorSize = 768;
constexpr size_t kFieldNameCapacity = 30;
constexpr size_t kFieldDescriptionCapacity = 50;
constexpr size_t kValueTextCapacity = 50;

// A field descriptor (768 bytes) of the data file, every field as stored. Texts longer than their
// capacity are cut when encoded.
TFieldDescriptor DecodeFieldDescriptor(std::span<const uint8_t, kFieldDescriptorSize> bytes);
void EncodeFieldDescriptor(const TFieldDescriptor& field, std::span<uint8_t, kFieldDescriptorSize> bytes);

}  // namespace kartei
