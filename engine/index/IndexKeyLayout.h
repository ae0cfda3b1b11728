#pragma once

#include <span>
#include <string_view>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexHeader.h"
#include "engine/keys/KeyLayout.h"
#include "engine/keys/KeyLocale.h"

namespace kartei {

// The key layout of the index in `slot`, from its descriptor, the table's field descriptors and the table's
// key locale. Slot 31 is the deleted-record index. A descriptor that cannot describe keys of this table is
// engine error HeaderCorrupt for `tableName`: more than 16 fields, a field number naming no field, a Blob
// field or a field without storage of its own, a stored key length that differs from the one the fields give,
// or a key longer than a key buffer.
TKeyLayout MakeKeyLayout(const TIndexDescriptor& descriptor, int slot,
                         std::span<const TFieldDescriptor> fields, const TKeyLocale& locale,
                         std::string_view tableName);

}  // namespace kartei
