#pragma once

#include <string>
#include <string_view>

namespace kartei {

// The files of one table: data, index and blob file (the blob file exists only with blob fields).
struct TTableFileNames {
    std::string Data;
    std::string Index;
    std::string Blob;
};

// The table name as the data file is named: trimmed, with the extension ".DAT" unless it already ends
// in ".DAT" in any letter case (another extension is replaced).
std::string DataFileNameOf(std::string_view tableName);

// The table's files: ".DAT", ".IDX", ".BLB" in `directoryPath` (a disk database's directory, separator
// added when missing; empty for an in-memory database, whose files have bare names).
TTableFileNames TableFileNames(std::string_view directoryPath, std::string_view tableName);

// The backup names of the same files: ".DBK", ".IBK", ".BBK".
TTableFileNames TableBackupFileNames(std::string_view directoryPath, std::string_view tableName);

// The journal a commit keeps beside the table while it writes: the data file's name with ".JNL".
std::string JournalFileName(std::string_view dataFileName);

// Where building index `slot` from sorted keys spills what does not fit in memory: the data file's name
// with ".S" and the slot's two digits. Temporary: gone when the index is built.
std::string SortFileName(std::string_view dataFileName, int slot);

// Where a transaction keeps the changes of a table file that do not fit in memory: the file's name with
// ".SPL" added ("CITY.IDX.SPL"). Temporary: gone when the transaction ends.
std::string SpillFileName(std::string_view fileName);

// Whether the file part of a name (after the last '/'), without extension and trimmed, is empty.
bool IsBlankFileName(std::string_view name);

// Creating a table or file under a blank name is engine error InvalidPath for the name given.
void CheckNewFileName(std::string_view name);

}  // namespace kartei
