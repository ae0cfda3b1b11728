#pragma once

#include <span>
#include <string_view>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexHeader.h"

namespace kartei {

// The index file's part of the table check at open. Engine errors for `tableName`: WrongVersion for a version
// other than 4; HeaderCorrupt when slot 0 has a name or, with a primary key, is not unique; when a secondary
// index name does not begin with a letter, "_" or a byte 129 to 254, or repeats another (trimmed, ignoring
// case); when an index has more than 16 fields, a field number that names no stored non-Blob field, no fields
// (except slot 0 of a table without primary key and the deleted-record index), a key length other than
// its fields give, or a key longer than 524 bytes; when the deleted-record index is not the 5-byte key it
// must be; when a root or free-chain head lies outside 4096 to EndOffset - 4096 (or is not 0 in a file
// without pages).
void VerifyIndexHeader(const TIndexHeader& header, std::span<const TFieldDescriptor> fields,
                       std::string_view tableName);

}  // namespace kartei
