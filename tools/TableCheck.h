#pragma once

#include <string>
#include <vector>

#include "engine/table/DataTable.h"

namespace kartei::tools {

// Everything that can be checked of an open table, reported rather than raised: one line (UTF-8) per
// finding, none for a sound table. In this order, each part run even when an earlier one found something:
// the checks the first user of a table makes (data file header and field descriptors, index file header,
// blob file header and free list); the structural check of every index; then, when the structure is sound,
// that every index holds exactly the records it should (the live ones; every slot for the deleted-record
// index) under the keys they give; the record slots (status bytes, numbers, the free list, the live count
// against the index file's); and every blob chain of every live record. Runs under the table's read lock.
std::vector<std::string> CheckTable(TDataTableImpl& table);

}  // namespace kartei::tools
