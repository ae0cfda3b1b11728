#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/format/FieldDescriptor.h"

namespace kartei {

// The descriptor whose name equals `name` without regard to ASCII letter case; nullptr when none.
const TFieldDescriptor* FindFieldByName(std::span<const TFieldDescriptor> fields, std::string_view name);

// The descriptor carrying field number `fieldNumber`; nullptr when none.
const TFieldDescriptor* FindFieldByNumber(std::span<const TFieldDescriptor> fields, int16_t fieldNumber);

}  // namespace kartei
