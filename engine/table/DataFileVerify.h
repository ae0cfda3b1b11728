#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/format/DataHeader.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei {

// The data file's part of the check made when the first cursor opens a table, on the header and the
// descriptors as the data file holds them (data widths recomputed) and the file's length. Engine errors for
// `tableName`, in this order: WrongVersion for a version byte other than 4; LanguageDriverMissing for a
// language whose locale is not installed; HeaderCorrupt for a field name that is not valid or repeats another
// (or a repeated field number), a field definition that is not valid (type, declared size, decimal places,
// minimum, maximum and default texts), a record offset other than the layout gives, a field number other than
// its position, a record size other than the fields give, and a file length that is not the data start plus a
// whole number of records, one fewer than the next record number.
void VerifyDataFile(const TDataHeader& header, std::span<const TFieldDescriptor> fields, int64_t fileLength,
                    std::string_view tableName);

}  // namespace kartei
